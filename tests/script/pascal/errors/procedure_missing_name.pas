procedure ;
begin
end;
begin
end.
