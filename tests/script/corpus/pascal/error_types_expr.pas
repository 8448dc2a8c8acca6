// Text compared with a number.
var
  b: Boolean;
begin
  b := 'abc' = 1;
end.
