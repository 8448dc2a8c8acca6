' Subs and functions: value, byref and default parameters, calls before
' the declaration, nested functions.
dim x, y as integer
dim s as string

sub Swap(byref a as integer, byref b as integer)
  dim t as integer
  t = a
  a = b
  b = t
end sub

function Add(a as integer, b as integer = 10, c as integer = 100) as integer
  return a + b + c
end function

function Outer(n as integer) as integer
  function Twice(k as integer) as integer
    return k * 2
  end function
  return Twice(n) + 1
end function

sub Append(byref text as string, byval part as string)
  text = text & part
end sub

sub NoArgs
  Early
  ShowMessage "no args"
end sub

sub Early
  ShowMessage "called before its declaration"
end sub

x = 1
y = 2
Swap x, y
ShowMessage IntToStr(x) & " " & IntToStr(y)
ShowMessage IntToStr(Add(1)) & " " & IntToStr(Add(1, 2)) & " " & IntToStr(Add(1, 2, 3))
ShowMessage IntToStr(Outer(5))
s = "a"
Append s, "b"
Append(s, "c")
ShowMessage s
NoArgs
NoArgs()
