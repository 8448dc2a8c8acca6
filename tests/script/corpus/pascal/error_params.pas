// Too few arguments.
function Add(a, b: Integer): Integer;
begin
  Result := a + b;
end;

begin
  ShowMessage(IntToStr(Add(1)));
end.
