// Pascal for loops: bounds computed once, the variable keeps its last value,
// an empty range leaves it untouched.
var
  i, n, k: Integer;
  s: String;
begin
  s := '';
  for i := 3 downto 1 do s := s + IntToStr(i);
  ShowMessage(s + ' ' + IntToStr(i));
  i := 42;
  for i := 1 to 0 do ShowMessage('never');
  ShowMessage(IntToStr(i));
  n := 3;
  k := 0;
  for i := 1 to n do
  begin
    n := 10;
    k := k + 1;
  end;
  ShowMessage(IntToStr(k) + ' ' + IntToStr(i));
  s := '';
  for i := 1 to 10 do
  begin
    if i mod 2 = 0 then continue;
    if i > 7 then break;
    s := s + IntToStr(i);
  end;
  ShowMessage(s + ' ' + IntToStr(i));
end.
