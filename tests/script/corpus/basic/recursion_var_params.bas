' A recursive procedure writing through byref parameters: the value
' reaches the caller's own local, which is restored before it is written.
sub Count(n as integer, byref total as integer)
  dim part as integer
  if n = 0 then
    total = 0
    exit sub
  end if
  part = -1
  Count n - 1, part
  total = part + n
end sub

sub Digits(n as integer, byref text as string)
  dim rest as string
  if n < 10 then
    text = IntToStr(n)
  else
    Digits n \ 10, rest
    text = rest & "," & IntToStr(n mod 10)
  end if
end sub

dim t as integer
dim s as string
Count 10, t
ShowMessage IntToStr(t)
Digits 12345, s
ShowMessage s
