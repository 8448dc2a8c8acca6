begin
  x := [1, 2
end.
