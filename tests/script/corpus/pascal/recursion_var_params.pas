// A recursive procedure writing through var parameters: the value reaches
// the caller's own local, which is restored before it is written.
procedure Count(n: Integer; var total: Integer);
var
  sub: Integer;
begin
  if n = 0 then
  begin
    total := 0;
    exit;
  end;
  sub := -1;
  Count(n - 1, sub);
  total := sub + n;
end;

procedure Digits(n: Integer; var text: String);
var
  rest: String;
begin
  if n < 10 then
    text := IntToStr(n)
  else
  begin
    Digits(n div 10, rest);
    text := rest + ',' + IntToStr(n mod 10);
  end;
end;

var
  t: Integer;
  s: String;
begin
  Count(10, t);
  ShowMessage(IntToStr(t));
  Digits(12345, s);
  ShowMessage(s);
end.
