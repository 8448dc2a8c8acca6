begin
  while a x := 1
end.
