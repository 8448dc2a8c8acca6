// VarArrayCreate and VarType codes.
var
  v: Variant;
  i: Integer;
  s: String;
begin
  v := VarArrayCreate([1, 3], varVariant);
  for i := 1 to 3 do v[i] := i * 2;
  s := '';
  for i := 1 to 3 do s := s + VarToStr(v[i]) + ' ';
  ShowMessage(s + IntToStr(Length(v)));
  v := VarArrayCreate([0, 1, 0, 2], varVariant);
  v[1, 2] := 'corner';
  ShowMessage(v[1, 2]);
  ShowMessage(IntToStr(VarType(1)) + ' ' + IntToStr(VarType(1.5)) + ' ' + IntToStr(VarType('s')) + ' ' +
    IntToStr(VarType(True)) + ' ' + IntToStr(VarType(Now)) + ' ' + IntToStr(VarType(9000000000)));
end.
