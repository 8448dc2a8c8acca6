// The platform's division and conversion error texts, caught by the script.
var
  v: Variant;
  i: Integer;
begin
  try
    v := 1 / 0;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    i := 0;
    v := 0 / i;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    i := 5 div 0;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    i := 5 mod (i - i);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    v := 'abc';
    i := v;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    v := 1e300;
    v := v * 1e300;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage('done');
end.
