If a Then
  x = 1
