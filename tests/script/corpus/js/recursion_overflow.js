// Endless recursion ends in a catchable error, not a crash.
var calls = 0;

function Forever()
{
  calls++;
  Forever();
}

try { Forever() } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage) }
ShowMessage(IntToStr(calls));
Forever();
