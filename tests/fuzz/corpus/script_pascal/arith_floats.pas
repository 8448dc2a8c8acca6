// Floating point: "/" is always floating, the platform's number text.
var
  e: Extended;
begin
  ShowMessage(FloatToStr(7 / 2));
  ShowMessage(FloatToStr(1 / 3));
  ShowMessage(FloatToStr(0.1 + 0.2));
  ShowMessage(FloatToStr(105.0));
  ShowMessage(FloatToStr(1e15));
  ShowMessage(FloatToStr(123456789012345678));
  ShowMessage(FloatToStr(0.00001));
  ShowMessage(FloatToStr(-2.5e-7));
  e := 10;
  e := e / 4;
  ShowMessage(FloatToStr(e));
  e := 2;
  e := e * 1.5 + 1;
  ShowMessage(FloatToStr(e));
  ShowMessage(FloatToStr(Int(-2.7)) + ' ' + FloatToStr(Frac(-2.7)));
  ShowMessage(FloatToStr(Sqrt(16)) + ' ' + FloatToStr(Abs(-3)));
  ShowMessage(FormatFloat('0.000', Pi));
end.
