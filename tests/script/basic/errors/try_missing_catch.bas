Try
  x = 1
End Try
