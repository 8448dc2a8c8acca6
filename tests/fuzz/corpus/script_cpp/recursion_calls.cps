// Endless recursion whose every call nests thirty host calls: a catchable error, never a crash.
int Deep(int n)
{
  return Round(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Deep(n + 1)))))))))))))))))))))))))))))));
}

{
  try { Deep(0); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  Deep(0);
}
