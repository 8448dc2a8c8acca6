// with needs an object.
var
  i: Integer;
begin
  with i do ShowMessage('x');
end.
