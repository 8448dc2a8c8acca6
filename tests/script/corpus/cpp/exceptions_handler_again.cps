// A function left by an error runs normally the next time.
int runs;

void Handler(bool fail)
{
  int local;
  runs++;
  local = runs;
  if (fail) RaiseException("failed in run " + IntToStr(local));
  ShowMessage("run " + IntToStr(local) + " ok");
}

{
  runs = 0;
  try { Handler(true); } except { ShowMessage(ExceptionMessage); }
  Handler(false);
  CallFunction("Handler", [false]);
}
