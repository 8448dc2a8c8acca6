// Characters of strings by index, 1-based, checked.
var
  s: String;
  v: Variant;
  i: Integer;
  t: String;
begin
  s := 'abcdef';
  ShowMessage(s[1] + s[6]);
  s[2] := 'X';
  ShowMessage(s);
  t := '';
  for i := Length(s) downto 1 do t := t + s[i];
  ShowMessage(t);
  v := 'variant';
  ShowMessage(v[1]);
  try
    ShowMessage(s[7]);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    s[0] := 'z';
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
end.
