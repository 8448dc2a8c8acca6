// finally runs whatever happens: normal end, exception, exit, break.
var
  i: Integer;
  log: String;

procedure WithExit;
begin
  try
    log := log + 'a';
    exit;
    log := log + 'never';
  finally
    log := log + 'b';
    log := log + 'c';
  end;
  log := log + 'never';
end;

begin
  log := '';
  WithExit;
  ShowMessage(log);
  log := '';
  for i := 1 to 3 do
  begin
    try
      if i = 2 then break;
      log := log + IntToStr(i);
    finally
      log := log + 'f';
      log := log + '.';
    end;
  end;
  ShowMessage(log);
  log := '';
  try
    try
      log := log + 'x';
      RaiseException('inner');
    finally
      log := log + 'y';
    end;
  except
    log := log + 'z:' + ExceptionMessage;
  end;
  ShowMessage(log);
end.
