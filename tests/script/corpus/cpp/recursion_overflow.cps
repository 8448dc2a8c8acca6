// Endless recursion ends in a catchable error, not a crash.
int calls;

void Forever()
{
  calls++;
  Forever();
}

{
  calls = 0;
  try { Forever(); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  ShowMessage(IntToStr(calls));
  Forever();
}
