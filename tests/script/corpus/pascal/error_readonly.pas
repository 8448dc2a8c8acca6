// A constant cannot be assigned to.
const
  Max = 10;
begin
  Max := 11;
end.
