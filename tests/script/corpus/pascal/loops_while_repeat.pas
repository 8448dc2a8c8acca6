// while and repeat with break and continue.
var
  i, n: Integer;
  s: String;
begin
  i := 0;
  s := '';
  while i < 10 do
  begin
    i := i + 1;
    if i = 3 then continue;
    if i = 6 then break;
    s := s + IntToStr(i);
  end;
  ShowMessage(s);
  n := 0;
  repeat
    n := n + 1;
  until n >= 3;
  ShowMessage(IntToStr(n));
  n := 10;
  repeat
    n := n + 1;
    if n = 11 then continue;
  until True;
  ShowMessage(IntToStr(n));
  while False do ShowMessage('never');
end.
