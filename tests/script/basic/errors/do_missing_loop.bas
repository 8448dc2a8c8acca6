Do
  x = 1
