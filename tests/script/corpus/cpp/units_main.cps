// Units: functions and constants of included units, each unit once.
#include "unit_math.cps", "unit_text.cps"
{
  ShowMessage(IntToStr(Scaled(4)) + " " + IntToStr(Scale));
  ShowMessage(Caption(5));
}
