sub P
  x = 1 +
end sub
