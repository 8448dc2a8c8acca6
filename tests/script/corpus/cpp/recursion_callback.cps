// A host callback (the tool's CallFunction) re-entering a function that
// is running: the running call's locals survive.
int Depth(int n)
{
  int mine = n * 100;
  int result = 0;
  if (n > 0) result = CallFunction("Depth", [n - 1]) + mine;
  if (mine != n * 100) ShowMessage("local lost at " + IntToStr(n));
  return result;
}

void Show(String text)
{
  ShowMessage("show: " + text);
}

{
  ShowMessage(IntToStr(Depth(4)));
  CallFunction("Show", ["from the host"]);
  ShowMessage(VarToStr(CallFunction("NoSuchProcedure", [])) + "|");
}
