// Constants: evaluated when compiled, read-only, of the expression's kind.
#define Max 100
#define Half Trunc(Max / 2)
#define Name "shipping"
#define Ratio 1.5e-3
#define Big 9000000000
#define Hex 0xFF
{
  ShowMessage(IntToStr(Max) + " " + IntToStr(Half) + " " + Name + " " + FloatToStr(Ratio));
  ShowMessage(VarToStr(Big) + " " + IntToStr(Hex));
  ShowMessage(IntToStr(varInteger) + " " + IntToStr(varString) + " " + IntToStr(varArray));
  ShowMessage(BoolToStr(true) + " " + VarToStr(nil));
}
