var
  : Integer;
begin
end.
