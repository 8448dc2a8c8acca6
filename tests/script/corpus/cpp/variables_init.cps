// Declared variables start at their type's empty value; initial values
// run where they are declared.
int i;
float e;
bool b;
String s;
Variant v;
String t = "start";
int n = 6 * 7;
{
  ShowMessage(IntToStr(i) + " " + FloatToStr(e) + " " + BoolToStr(b) + " [" + s + "] " + IntToStr(VarType(v)));
  ShowMessage(t + " " + IntToStr(n));
  v = "12";
  i = v;
  ShowMessage(IntToStr(i + 1));
  e = 3;
  ShowMessage(IntToStr(VarType(e)));
}
