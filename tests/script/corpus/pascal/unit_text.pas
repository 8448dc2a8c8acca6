// A unit that itself uses unit_math (included once only).
uses 'unit_math.pas';

function Caption(n: Integer): String;
begin
  Result := 'value ' + IntToStr(Scaled(n));
end;
begin
end.
