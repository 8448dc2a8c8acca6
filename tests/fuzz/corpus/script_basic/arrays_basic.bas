' Arrays: zero-based from a count, explicit low bounds, Length.
dim a[5] as integer, b[1 to 5] as integer
dim i, sum as integer
for i = 0 to 4 : a[i] = i * i : next
for i = 1 to 5 : b[i] = a[i - 1] + 1 : next
sum = 0
for i = 1 to 5
  sum = sum + b[i]
next i
ShowMessage IntToStr(sum) & " " & IntToStr(Length(a)) & " " & IntToStr(Length(b))
ShowMessage IntToStr(a[4]) & " " & IntToStr(b[1])
try
  a[5] = 1
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  i = b[0]
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
