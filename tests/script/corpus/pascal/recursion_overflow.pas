// Endless recursion ends in a catchable error, not a crash.
var
  calls: Integer;

procedure Forever;
begin
  calls := calls + 1;
  Forever;
end;

begin
  calls := 0;
  try
    Forever;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage(IntToStr(calls));
  Forever;
end.
