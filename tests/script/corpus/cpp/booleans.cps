// Boolean operators: short-circuit when both sides are Boolean, bitwise
// otherwise; && and || bind more loosely than comparisons.
int calls;
bool a, b;
Variant v;

bool Touch(bool value)
{
  calls++;
  return value;
}

{
  calls = 0;
  if (false && Touch(true)) ShowMessage("never");
  if (true || Touch(true)) ShowMessage("or without the right side");
  ShowMessage(IntToStr(calls));
  if (true && Touch(false)) ShowMessage("never");
  ShowMessage(IntToStr(calls));
  a = false;
  b = true;
  if (!a == b) ShowMessage("(not a) = b");
  ShowMessage(BoolToStr(a ^ b) + " " + BoolToStr(!b));
  v = 12;
  ShowMessage(VarToStr(v && 10) + " " + VarToStr(v || 3));
  ShowMessage(BoolToStr(1 < 2 && 2 < 3));
}
