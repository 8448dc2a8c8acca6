' A unit that itself imports unit_math (imported once only).
imports "unit_math.bas"

function Caption(n as integer) as string
  return "value " & IntToStr(Scaled(n))
end function
