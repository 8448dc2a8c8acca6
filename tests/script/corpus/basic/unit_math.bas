' A unit imported by units_main.bas.
dim Scale = 10

function Scaled(n as integer) as integer
  return n * Scale
end function

ShowMessage "unit_math initialised"
