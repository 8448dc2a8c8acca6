Function F
  F = 1
End Sub
