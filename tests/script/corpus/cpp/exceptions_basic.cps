// Raising and catching: class names and messages.
{
  try { RaiseException("my own error"); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  try { StrToInt("x1"); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  try {
    ShowMessage(IntToStr(10 % (5 - 5)));
  } except {
    ShowMessage(ExceptionClassName);
  }
  ShowMessage("after");
}
