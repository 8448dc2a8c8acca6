procedure Q;
begin
  if then
end;
begin
end.
