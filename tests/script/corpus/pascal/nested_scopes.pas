// Nested procedures see the locals of their enclosing procedure and the
// globals; an inner name hides an outer one.
var
  x: Integer;

procedure Outer;
var
  y: Integer;

  procedure Inner;
  var
    x: Integer;
  begin
    x := 5;
    y := y + x;
  end;

begin
  y := 1;
  Inner;
  Inner;
  ShowMessage('y = ' + IntToStr(y));
end;

begin
  x := 100;
  Outer;
  ShowMessage('x = ' + IntToStr(x));
end.
