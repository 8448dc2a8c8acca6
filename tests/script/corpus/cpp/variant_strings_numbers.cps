// Text beside a number is read as a number; two texts concatenate.
Variant v;
String s;
int i;
{
  v = "12";
  v += 3;
  ShowMessage(VarToStr(v));
  v = "12";
  ShowMessage(VarToStr(v + "3"));
  s = "abc";
  v = s;
  try { v = v + 1; } except { ShowMessage(ExceptionMessage); }
  i = StrToInt("  42 ");
  ShowMessage(IntToStr(i + 1));
  v = "2.5";
  ShowMessage(FloatToStr(v * 2));
  v = true;
  ShowMessage(VarToStr(v) + " " + IntToStr(v + 0));
  ShowMessage(BoolToStr(true) + " " + BoolToStr(false));
  if ("10" < "9") ShowMessage("texts compare as texts");
}
