// A unit that itself includes unit_math (included once only).
#include "unit_math.cps"

String Caption(int n)
{
  return "value " + IntToStr(Scaled(n));
}
