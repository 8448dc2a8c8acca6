var
  a: array [1..] of Integer;
begin
end.
