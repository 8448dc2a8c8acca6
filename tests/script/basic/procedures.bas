' Subs and functions; byref marks var parameters.
sub Swap(byref a, b as integer)
  dim t = a
  a = b
  b = t
end sub

function Max(a as integer, byval b as integer = 0) as integer
  if a > b then return a
  return b
end function

function NoParams
  exit function
end function

Sub Log()
  Exit Sub
End Sub

x = 1 : y = 2
Swap(x, y)
ShowMessage Max(x, y), "done"
Log addressof Swap
