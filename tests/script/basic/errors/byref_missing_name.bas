Sub P(byref)
End Sub
