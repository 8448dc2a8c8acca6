// A name declared twice in one scope.
var
  x: Integer;
  x: String;
begin
end.
