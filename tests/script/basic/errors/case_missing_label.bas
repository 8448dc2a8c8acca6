Select Case x
  Case
End Select
