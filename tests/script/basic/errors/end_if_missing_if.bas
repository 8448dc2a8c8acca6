Sub P
  If a Then
    x = 1
End Sub
