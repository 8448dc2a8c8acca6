// A default value that does not fit its parameter.
procedure P(n: Integer = 'text');
begin
end;

begin
end.
