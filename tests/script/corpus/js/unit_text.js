// A unit that itself imports unit_math (imported once only).
import "unit_math.js";

function Caption(n)
{
  return "value " + IntToStr(Scaled(n));
}
