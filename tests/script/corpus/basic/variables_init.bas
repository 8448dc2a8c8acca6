' Declared variables start at their type's empty value; initial values run
' where they are declared.
dim i as integer
dim e as extended
dim b as boolean
dim s as string
dim v
dim t as string = "start"
dim n as integer = 6 * 7
ShowMessage IntToStr(i) & " " & FloatToStr(e) & " " & BoolToStr(b) & " [" & s & "] " & IntToStr(VarType(v))
ShowMessage t & " " & IntToStr(n)
v = "12"
i = v
ShowMessage IntToStr(i + 1)
e = 3
ShowMessage IntToStr(VarType(e))
