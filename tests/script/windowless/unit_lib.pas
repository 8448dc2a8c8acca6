function Greeting(s: String): String;
begin
  Result := 'hello ' + s;
end;
begin
end.
