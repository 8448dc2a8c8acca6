' A unit: declarations only.
dim Pi2 = 6.2832
function Area(r as extended) as extended
  return Pi2 * r * r / 2
end function
