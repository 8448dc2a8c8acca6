var
  a: array 5 of Integer;
begin
end.
