' Integer arithmetic: precedence, left grouping, \ and mod toward zero,
' promotion to 64 bits instead of wrapping. BasicScript has no shifts.
dim a, b as integer
dim v
ShowMessage IntToStr(2 + 3 * 4)
ShowMessage IntToStr((2 + 3) * 4)
ShowMessage IntToStr(10 - 4 - 3)
ShowMessage IntToStr(7 \ 2) & " " & IntToStr(-7 \ 2)
ShowMessage IntToStr(7 mod 3) & " " & IntToStr(-7 mod 3)
a = 2147483647
v = a + 1
ShowMessage VarToStr(v) & " " & IntToStr(VarType(v))
v = 2147483647 * 2
ShowMessage VarToStr(v)
v = 2147483648
ShowMessage IntToStr(VarType(v))
b = -a - 1
ShowMessage IntToStr(b)
ShowMessage IntToStr(1 * 16 \ 4)
ShowMessage IntToStr(not 0)
ShowMessage IntToStr(6 and 3) & " " & IntToStr(6 or 3) & " " & IntToStr(6 xor 3)
ShowMessage IntToStr(-(4 - 1))
