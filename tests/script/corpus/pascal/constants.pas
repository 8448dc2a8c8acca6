// Constants: evaluated when compiled, read-only, of the expression's kind.
const
  Max = 100;
  Half = Max div 2;
  Name = 'shipping';
  Ratio = 1.5e-3;
  Big = 9000000000;
  Hex = $FF;
begin
  ShowMessage(IntToStr(Max) + ' ' + IntToStr(Half) + ' ' + Name + ' ' + FloatToStr(Ratio));
  ShowMessage(VarToStr(Big) + ' ' + IntToStr(Hex));
  ShowMessage(IntToStr(varInteger) + ' ' + IntToStr(varString) + ' ' + IntToStr(varArray));
  ShowMessage(BoolToStr(True) + ' ' + VarToStr(nil));
end.
