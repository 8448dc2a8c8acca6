' Text beside a number is read as a number with "+"; "&" joins texts.
dim v
dim s as string
dim i as integer
v = "12"
v = v + 3
ShowMessage VarToStr(v)
v = "12"
ShowMessage VarToStr(v & 3)
s = "abc"
v = s
try
  v = v + 1
catch
  ShowMessage ExceptionMessage
end try
i = StrToInt("  42 ")
ShowMessage IntToStr(i + 1)
v = "2.5"
ShowMessage FloatToStr(v * 2)
v = True
ShowMessage VarToStr(v) & " " & IntToStr(v + 0)
ShowMessage BoolToStr(True) & " " & BoolToStr(False)
if "10" < "9" then ShowMessage "texts compare as texts"
