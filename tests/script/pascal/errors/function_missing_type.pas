function F: ;
begin
end;
begin
end.
