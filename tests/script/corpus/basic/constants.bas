' Values of every kind held in variables.
dim Max = 100
dim Half = Max \ 2
dim Name = "shipping", Ratio = 1.5e-3
dim Big = 9000000000, Hex = 0xFF
ShowMessage IntToStr(Max) & " " & IntToStr(Half) & " " & Name & " " & FloatToStr(Ratio)
ShowMessage VarToStr(Big) & " " & IntToStr(Hex)
ShowMessage IntToStr(varInteger) & " " & IntToStr(varString) & " " & IntToStr(varArray)
ShowMessage BoolToStr(True) & " " & VarToStr(nil)
