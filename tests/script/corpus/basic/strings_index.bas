' Characters of strings by index, 1-based, checked.
dim s, t as string
dim v
dim i as integer
s = "abcdef"
ShowMessage s[1] & s[6]
s[2] = "X"
ShowMessage s
t = ""
for i = Length(s) to 1 step -1 : t = t & s[i] : next
ShowMessage t
v = "variant"
ShowMessage v[1]
try
  ShowMessage s[7]
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  s[0] = "z"
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
