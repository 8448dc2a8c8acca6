// Endless recursion whose every call nests thirty host calls: a catchable error, never a crash.
function Deep(n: Integer): Integer;
begin
  Result := Round(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Deep(n + 1)))))))))))))))))))))))))))))));
end;

begin
  try
    Deep(0);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  Deep(0);
end.
