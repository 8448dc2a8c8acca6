// Functions: value, var and default parameters, calls before the
// declaration, functions calling functions.
int x, y;
String s;

void Swap(int &a, int &b)
{
  int t;
  t = a;
  a = b;
  b = t;
}

int Add(int a, int b = 10, int c = 100)
{
  return a + b + c;
}

int Twice(int k)
{
  return k * 2;
}

int Outer(int n)
{
  return Twice(n) + 1;
}

void Append(String &text, String part)
{
  text += part;
}

void NoArgs()
{
  Early();
  ShowMessage("no args");
}

void Early()
{
  ShowMessage("called before its declaration");
}

{
  x = 1;
  y = 2;
  Swap(x, y);
  ShowMessage(IntToStr(x) + " " + IntToStr(y));
  ShowMessage(IntToStr(Add(1)) + " " + IntToStr(Add(1, 2)) + " " + IntToStr(Add(1, 2, 3)));
  ShowMessage(IntToStr(Outer(5)));
  s = "a";
  Append(s, "b");
  Append(s, "c");
  ShowMessage(s);
  NoArgs;
  NoArgs();
}
