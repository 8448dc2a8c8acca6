// The mathematical functions and their errors.
begin
  ShowMessage(FloatToStr(Sin(0)) + ' ' + FloatToStr(Cos(0)) + ' ' + FormatFloat('0.0000', ArcTan(1) * 4));
  ShowMessage(FormatFloat('0.0000', Tan(Pi / 4)) + ' ' + FormatFloat('0.0000', Exp(1)) + ' ' + FloatToStr(Ln(1)));
  ShowMessage(FloatToStr(Abs(-2.5)) + ' ' + FloatToStr(Sqrt(2) * Sqrt(2)));
  try
    Sqrt(-1);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    Ln(0);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    Exp(1000);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  Randomize;
  if (Random >= 0) and (Random < 1) then ShowMessage('random in [0, 1)');
end.
