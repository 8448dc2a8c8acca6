// Mutual recursion: each function called before its declaration.
bool IsEven(int n)
{
  if (n == 0) return true; else return IsOdd(n - 1);
}

bool IsOdd(int n)
{
  if (n == 0) return false; else return IsEven(n - 1);
}

int i;
String s;
{
  s = "";
  for (i = 0; i <= 7; i++)
    if (IsEven(i)) s += "e"; else s += "o";
  ShowMessage(s);
  ShowMessage(BoolToStr(IsOdd(101)));
}
