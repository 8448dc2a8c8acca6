var
  a, : Integer;
begin
end.
