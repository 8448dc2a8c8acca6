const
  c 5;
begin
end.
