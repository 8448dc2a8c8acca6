begin
  for i = 1 to 2 do ;
end.
