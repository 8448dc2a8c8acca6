// Nested handlers: the inner one consumes, a re-raised error reaches the
// outer one, errors travel out of functions.
void Fail(String text)
{
  RaiseException(text);
}

String Safe(int n)
{
  try {
    if (n == 0) Fail("zero");
    return "ok " + IntToStr(n);
  } except {
    return "caught " + ExceptionMessage;
  }
}

{
  ShowMessage(Safe(1));
  ShowMessage(Safe(0));
  try {
    try {
      Fail("first");
    } except {
      ShowMessage("inner: " + ExceptionMessage);
      Fail("second");
    }
  } except {
    ShowMessage("outer: " + ExceptionMessage);
  }
  try {
    try { Fail("third"); } finally { ShowMessage("cleanup"); }
  } except {
    ShowMessage("outer: " + ExceptionMessage);
  }
  ShowMessage(Safe(0) + " again");
}
