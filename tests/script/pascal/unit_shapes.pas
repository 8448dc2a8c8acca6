// A unit: declarations and an empty main block.
const Pi2 = 6.2832;

function Area(r: Extended): Extended;
begin
  Result := Pi2 * r * r / 2
end;

begin
end.
