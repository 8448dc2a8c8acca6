// A unit imported by units_main.js.
var Scale = 10;

function Scaled(n)
{
  return n * Scale;
}

ShowMessage("unit_math initialised");
