' VarArrayCreate and VarType codes.
dim v
dim i as integer
dim s as string
v = VarArrayCreate([1, 3], varVariant)
for i = 1 to 3 : v[i] = i * 2 : next
s = ""
for i = 1 to 3 : s = s & VarToStr(v[i]) & " " : next
ShowMessage s & IntToStr(Length(v))
v = VarArrayCreate([0, 1, 0, 2], varVariant)
v[1, 2] = "corner"
ShowMessage v[1, 2]
ShowMessage IntToStr(VarType(1)) & " " & IntToStr(VarType(1.5)) & " " & IntToStr(VarType("s")) & " " & _
  IntToStr(VarType(True)) & " " & IntToStr(VarType(Now)) & " " & IntToStr(VarType(9000000000))
