// raise, except, class names and messages.
begin
  try
    RaiseException('my own error');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    StrToInt('x1');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    ShowMessage(IntToStr(10 div (5 - 5)));
  except
    ShowMessage(ExceptionClassName);
  end;
  ShowMessage('after');
end.
