// Text doubled until memory runs out: a script error, caught once, then not.
var s: String; i: Integer;
begin
  s := 'x';
  try
    for i := 1 to 64 do s := s + s;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  s := 'x';
  for i := 1 to 64 do s := s + s;
end.
