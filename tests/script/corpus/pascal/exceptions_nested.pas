// Nested handlers: the inner one consumes, a re-raised error reaches the
// outer one, errors travel out of procedures.
procedure Fail(text: String);
begin
  RaiseException(text);
end;

function Safe(n: Integer): String;
begin
  try
    if n = 0 then Fail('zero');
    Result := 'ok ' + IntToStr(n);
  except
    Result := 'caught ' + ExceptionMessage;
  end;
end;

begin
  ShowMessage(Safe(1));
  ShowMessage(Safe(0));
  try
    try
      Fail('first');
    except
      ShowMessage('inner: ' + ExceptionMessage);
      Fail('second');
    end;
  except
    ShowMessage('outer: ' + ExceptionMessage);
  end;
  try
    try
      Fail('third');
    finally
      ShowMessage('cleanup');
    end;
  except
    ShowMessage('outer: ' + ExceptionMessage);
  end;
  ShowMessage(Safe(0) + ' again');
end.
