// Undeclared names are errors in PascalScript.
var
  x: Integer;
begin
  x := 1;
  y := x + 1;
end.
