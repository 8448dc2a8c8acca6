// Arrays: zero-based from a count, explicit low bounds, Length.
var
  a: array[5] of Integer;
  b: array[1..5] of Integer;
  i, sum: Integer;
begin
  for i := 0 to 4 do a[i] := i * i;
  for i := 1 to 5 do b[i] := a[i - 1] + 1;
  sum := 0;
  for i := 1 to 5 do sum := sum + b[i];
  ShowMessage(IntToStr(sum) + ' ' + IntToStr(Length(a)) + ' ' + IntToStr(Length(b)));
  ShowMessage(IntToStr(a[4]) + ' ' + IntToStr(b[1]));
  try
    a[5] := 1;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    i := b[0];
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
end.
