procedure P;
  x := 1;
end;
begin
end.
