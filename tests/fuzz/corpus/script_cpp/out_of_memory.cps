// A copy of the text joined to it until memory runs out: a script error.
String s, t;
{
  s = "x";
  try { for (int i = 0; i < 64; i++) { t = s; s = t + s; } } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  s = "x";
  for (int i = 0; i < 64; i++) s = s + s;
}
