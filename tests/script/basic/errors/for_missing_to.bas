For i = 1 3
Next
