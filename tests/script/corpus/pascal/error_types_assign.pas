// A Float into an Integer is refused when compiled.
var
  i: Integer;
begin
  i := 1;
  i := i / 2;
end.
