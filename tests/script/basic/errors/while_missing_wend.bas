While x
  x = 1
