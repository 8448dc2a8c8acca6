// Building texts in loops and concatenating numbers and strings.
String s;
int i;
{
  s = "";
  for (i = 1; i <= 5; i++) s = s + IntToStr(i) + ",";
  ShowMessage(s);
  s = "";
  for (i = 1; i <= 1000; i++) s = "abc" + IntToStr(i);
  ShowMessage(s + " " + IntToStr(Length(s)));
  s = "x";
  for (i = 1; i <= 10; i++) s += s;
  ShowMessage(IntToStr(Length(s)));
  ShowMessage(Format("%s=%d", ["total", 42]));
  ShowMessage(Format("%5.2f|%-4s|%x|%3d", [3.14159, "ab", 255, 7]));
  ShowMessage(Format("%s", [s]) == s);
}
