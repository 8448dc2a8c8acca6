// Conversions between text and values, and their validity tests.
begin
  ShowMessage(IntToStr(StrToInt('$1F')) + ' ' + IntToStr(StrToInt('-12')));
  ShowMessage(VarToStr(StrToInt64('9000000000')) + ' ' + IntToStr(VarType(StrToInt64('9000000000'))));
  ShowMessage(FloatToStr(StrToFloat('1.5e3')) + ' ' + FloatToStr(StrToFloat(' 2.25 ')));
  ShowMessage(BoolToStr(StrToBool('TRUE')) + ' ' + BoolToStr(StrToBool('false')) + ' ' + BoolToStr(StrToBool('0')));
  ShowMessage(BoolToStr(ValidInt('12')) + ' ' + BoolToStr(ValidInt('12x')) + ' ' + BoolToStr(ValidInt('')));
  ShowMessage(BoolToStr(ValidFloat('1.5')) + ' ' + BoolToStr(ValidFloat('1,5')));
  try
    StrToInt('12x');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    StrToFloat('abc');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage(FormatMaskText('000-0000;0;_', '5551234'));
  ShowMessage(ExtractFilePath('C:\reports\order.rpl') + '|' + ExtractFilePath('/tmp/x.txt') + '|' + ExtractFilePath('name'));
  ShowMessage(FloatToStr(StrToFloat(FloatToStr(1/3)) * 3));
end.
