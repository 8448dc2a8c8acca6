begin
  with do x := 1
end.
