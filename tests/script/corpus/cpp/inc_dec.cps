// Inc and Dec write back through their var parameter, as ++ and -- do.
int i;
Variant v;
int a[3];
{
  i = 5;
  i++;
  ShowMessage(IntToStr(i));
  Inc(i, -3);
  ShowMessage(IntToStr(i));
  Dec(i);
  i -= 10;
  ShowMessage(IntToStr(i));
  v = 1.5;
  Inc(v);
  ShowMessage(VarToStr(v));
  a[1] = 10;
  Inc(a[1], 5);
  ShowMessage(IntToStr(a[1]));
}
