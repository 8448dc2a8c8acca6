// A procedure left by an error runs normally the next time.
var
  runs: Integer;

procedure Handler(fail: Boolean);
var
  local: Integer;
begin
  runs := runs + 1;
  local := runs;
  if fail then RaiseException('failed in run ' + IntToStr(local));
  ShowMessage('run ' + IntToStr(local) + ' ok');
end;

begin
  runs := 0;
  try
    Handler(True);
  except
    ShowMessage(ExceptionMessage);
  end;
  Handler(False);
  CallFunction('Handler', [False]);
end.
