// Values of every kind held in variables.
var Max = 100, Half = Trunc(Max / 2), Name = "shipping", Ratio = 1.5e-3;
var Big = 9000000000, Hex = 0xFF;
ShowMessage(IntToStr(Max) + " " + IntToStr(Half) + " " + Name + " " + FloatToStr(Ratio));
ShowMessage(VarToStr(Big) + " " + IntToStr(Hex));
ShowMessage(IntToStr(varInteger) + " " + IntToStr(varString) + " " + IntToStr(varArray));
ShowMessage(BoolToStr(true) + " " + VarToStr(nil));
