// The platform's division and conversion error texts, caught by the script.
Variant v;
int i;
{
  try { v = 1 / 0; } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  try {
    i = 0;
    v = 0 / i;
  } except {
    ShowMessage(ExceptionClassName + ": " + ExceptionMessage);
  }
  try { i = 5; i = i % 0; } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  try { i = 5 % (i - i); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
  try {
    v = "abc";
    i = v;
  } except {
    ShowMessage(ExceptionClassName + ": " + ExceptionMessage);
  }
  try {
    v = 1e300;
    v *= 1e300;
  } except {
    ShowMessage(ExceptionClassName + ": " + ExceptionMessage);
  }
  ShowMessage("done");
}
