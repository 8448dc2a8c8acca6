// while and do-while with break and continue.
int i, n;
String s;
{
  i = 0;
  s = "";
  while (i < 10) {
    i++;
    if (i == 3) continue;
    if (i == 6) break;
    s = s + IntToStr(i);
  }
  ShowMessage(s);
  n = 0;
  do n++; while (n < 3);
  ShowMessage(IntToStr(n));
  n = 10;
  do {
    n++;
    if (n == 11) continue;
  } while (false);
  ShowMessage(IntToStr(n));
  while (false) ShowMessage("never");
}
