// A million characters appended one at a time.
var s: String; i: Integer;
begin
  for i := 1 to 1000000 do s := s + Chr(65 + i mod 26);
  ShowMessage(IntToStr(Length(s)) + ' ' + Copy(s, 999998, 3));
end.
