// Declared variables start at their kind's empty value; initial values
// run where they are declared.
var
  i: Integer;
  e: Extended;
  b: Boolean;
  s: String;
  v: Variant;
  t: String = 'start';
  n: Integer = 6 * 7;
begin
  ShowMessage(IntToStr(i) + ' ' + FloatToStr(e) + ' ' + BoolToStr(b) + ' [' + s + '] ' + IntToStr(VarType(v)));
  ShowMessage(t + ' ' + IntToStr(n));
  v := '12';
  i := v;
  ShowMessage(IntToStr(i + 1));
  e := 3;
  ShowMessage(IntToStr(VarType(e)));
end.
