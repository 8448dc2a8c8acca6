begin
  for i := 1 do ;
end.
