var s: String; i: Integer; d: TDateTime; v: Variant;
begin
  s := Format('%s=%d %.2f %e', ['n', 42, 0.05, 1e-15]);
  s := Copy(s, 2, 5) + UpperCase(Trim('  x  ')) + IntToStr(Pos('=', s));
  d := EncodeDate(2026, 12, 6) + EncodeTime(9, 30, 0, 0);
  s := s + DateToStr(d) + ' ' + TimeToStr(d) + FormatDateTime('yyyy-mm-dd hh:nn', d);
  for i := 1 to 10 do s := s + Chr(65 + i);
  v := VarArrayCreate([0, 3], varVariant);
  v[1] := 'text'; v[2] := 2.5;
  s := s + VarToStr(v[1]) + FloatToStr(StrToFloat('1.5') * 2);
  Delete(s, 1, 3); Insert('ab', s, 2);
  ShowMessage(s);
end.
