begin
  x := 1;
