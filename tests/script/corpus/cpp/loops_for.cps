// C for loops: the condition is tested before every pass, the variable
// keeps the value that ended the loop.
int i, n, k;
String s;
{
  s = "";
  for (i = 3; i >= 1; i--) s = s + IntToStr(i);
  ShowMessage(s + " " + IntToStr(i + 1));
  i = 42;
  for (; i < 0; i++) ShowMessage("never");
  ShowMessage(IntToStr(i));
  n = 3;
  k = 0;
  for (i = 1; i <= n; i++) {
    n = 3;
    k++;
  }
  ShowMessage(IntToStr(k) + " " + IntToStr(i - 1));
  s = "";
  for (i = 1; i <= 10; i++) {
    if (i % 2 == 0) continue;
    if (i > 7) break;
    s = s + IntToStr(i);
  }
  ShowMessage(s + " " + IntToStr(i));
}
