begin
  if a b := 1
end.
