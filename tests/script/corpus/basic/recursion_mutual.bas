' Mutual recursion: each function called before its declaration.
function IsEven(n as integer) as boolean
  if n = 0 then return True else return IsOdd(n - 1)
end function

function IsOdd(n as integer) as boolean
  if n = 0 then return False else return IsEven(n - 1)
end function

dim i as integer
dim s as string
s = ""
for i = 0 to 7
  if IsEven(i) then s = s & "e" else s = s & "o"
next
ShowMessage s
ShowMessage BoolToStr(IsOdd(101))
