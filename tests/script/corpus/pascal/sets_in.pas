// Membership in set literals and in arrays, with ranges.
var
  i: Integer;
  s: String;
  a: Variant;
begin
  ShowMessage(BoolToStr(5 in [1, 3..6]) + ' ' + BoolToStr(2 in [1, 3..6]));
  s := '';
  for i := 0 to 10 do
    if i in [0, 2, 4..7, 10] then s := s + IntToStr(i);
  ShowMessage(s);
  ShowMessage(BoolToStr('b' in ['a', 'b']) + ' ' + BoolToStr('z' in ['a'..'c']));
  a := [1, 5, 9];
  ShowMessage(BoolToStr(5 in a) + ' ' + BoolToStr(6 in a));
end.
