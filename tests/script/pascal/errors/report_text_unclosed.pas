begin
  x := <abc
end.
