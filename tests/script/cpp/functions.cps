// Functions put the type first; "&" marks a var parameter.
void Swap(int &a, int &b)
{
  int t = a;
  a = b;
  b = t;
}

int Max(int a, int b = 0)
{
  if (a > b) return a;
  return b;
}

Variant NoParams() { }

String Join(String a, String b, String sep = ", ") { return a + sep + b; }

{
  int x = 1, y = 2;
  Swap(x, y);
  ShowMessage(Join(IntToStr(Max(x, y)), "done"));
  Log(&Swap);
}
