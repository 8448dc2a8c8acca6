var x: Integer;
begin
  x := ;
end.
