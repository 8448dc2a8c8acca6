begin
  x := ;
end.
