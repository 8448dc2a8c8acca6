Do
  x = 1
Loop Until
