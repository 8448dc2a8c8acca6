procedure P(a: Integer;);
begin
end;
begin
end.
