' while ... wend and do ... loop with exit and continue.
dim i, n as integer
dim s as string
i = 0
s = ""
while i < 10
  i = i + 1
  if i = 3 then continue while
  if i = 6 then exit while
  s = s & IntToStr(i)
wend
ShowMessage s
n = 0
do
  n = n + 1
loop until n >= 3
ShowMessage IntToStr(n)
n = 10
do
  n = n + 1
  if n = 11 then continue do
loop until True
ShowMessage IntToStr(n)
while False : ShowMessage "never" : wend
