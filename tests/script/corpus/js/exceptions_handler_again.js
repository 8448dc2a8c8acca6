// A function left by an error runs normally the next time.
var runs = 0;

function Handler(fail)
{
  var local;
  runs++;
  local = runs;
  if (fail) RaiseException("failed in run " + IntToStr(local));
  ShowMessage("run " + IntToStr(local) + " ok");
}

try { Handler(true) } except { ShowMessage(ExceptionMessage) }
Handler(false);
CallFunction("Handler", [false]);
