begin
  a[1 := 2
end.
