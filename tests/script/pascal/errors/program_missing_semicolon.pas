program P
begin
end.
