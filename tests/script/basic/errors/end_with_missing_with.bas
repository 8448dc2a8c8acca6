With x
  y = 1
End
