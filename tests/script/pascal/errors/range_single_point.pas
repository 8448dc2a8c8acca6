begin
  x := [1. 5]
end.
