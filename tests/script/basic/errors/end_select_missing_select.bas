Select Case x
  Case 1
End
