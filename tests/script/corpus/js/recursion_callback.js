// A host callback (the tool's CallFunction) re-entering a function that
// is running: the running call's locals survive.
function Depth(n)
{
  var mine = n * 100;
  var result = 0;
  if (n > 0) result = CallFunction("Depth", [n - 1]) + mine;
  if (mine != n * 100) ShowMessage("local lost at " + IntToStr(n));
  return result;
}

function Show(text)
{
  ShowMessage("show: " + text);
}

ShowMessage(IntToStr(Depth(4)));
CallFunction("Show", ["from the host"]);
ShowMessage(VarToStr(CallFunction("NoSuchProcedure", [])) + "|");
