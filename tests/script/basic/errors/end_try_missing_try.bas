Try
  x = 1
Finally
  y = 1
End
