While x
  y = 1
End
