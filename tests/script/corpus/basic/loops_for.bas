' for ... next: bounds computed once, the variable keeps the last value
' given to it, an empty range leaves it untouched.
dim i, n, k as integer
dim s as string
s = ""
for i = 3 to 1 step -1 : s = s & IntToStr(i) : next
ShowMessage s & " " & IntToStr(i)
i = 42
for i = 1 to 0
  ShowMessage "never"
next
ShowMessage IntToStr(i)
n = 3
k = 0
for i = 1 to n
  n = 10
  k = k + 1
next
ShowMessage IntToStr(k) & " " & IntToStr(i)
s = ""
for i = 1 to 10
  if i mod 2 = 0 then continue for
  if i > 7 then exit for
  s = s & IntToStr(i)
next
ShowMessage s & " " & IntToStr(i)
