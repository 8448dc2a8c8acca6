var
  a b: Integer;
begin
end.
