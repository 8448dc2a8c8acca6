// A colour constant of the graphics module and a number written against a
// name: both reach the whole registration.
var
  x: Integer;
begin
  x := 2;
  ShowMessage(IntToStr(clRed) + ' ' + IntToStr(x));
end.
