Sub P
  x = 1
End
