// An uncaught error ends the run with its class name and message.
void Deep(int n)
{
  if (n == 0) StrToFloat("1.2.3"); else Deep(n - 1);
}

{
  ShowMessage("start");
  Deep(3);
  ShowMessage("never");
}
