// A unit used by units_main.pas.
const
  Scale = 10;

function Scaled(n: Integer): Integer;
begin
  Result := n * Scale;
end;

begin
  ShowMessage('unit_math initialised');
end.
