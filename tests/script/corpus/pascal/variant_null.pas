// Null and Unassigned: Null propagates through arithmetic, compares equal
// only to Null, and orders below everything.
var
  v, w: Variant;
begin
  v := Null;
  if v = Null then ShowMessage('Null = Null');
  if not (v = 0) then ShowMessage('Null <> 0');
  if v <> '' then ShowMessage('Null <> empty text');
  w := v + 1;
  if w = Null then ShowMessage('Null + 1 is Null');
  if v < 0 then ShowMessage('Null < 0');
  ShowMessage('[' + VarToStr(v) + ']');
  ShowMessage(IntToStr(VarType(v)) + ' ' + IntToStr(VarType(w)));
  ShowMessage(IntToStr(VarType(Null)) + ' ' + IntToStr(varNull));
  try
    ShowMessage(IntToStr(v));
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
end.
