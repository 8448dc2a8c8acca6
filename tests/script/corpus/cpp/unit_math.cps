// A unit included by units_main.cps.
#define Scale 10

int Scaled(int n)
{
  return n * Scale;
}

{
  ShowMessage("unit_math initialised");
}
