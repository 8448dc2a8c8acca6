var
  a: array [1..5] Integer;
begin
end.
