var
  i, n: Integer;
  s: String;
begin
  n := 0;
  for i := 1 to 10 do
    n := n + i;
  for i := 10 downto 1 do
  begin
    if i = 5 then continue;
    if i = 2 then break
  end;
  while n > 0 do n := n - 1;
  repeat
    n := n + 1;
  until n >= 3;
  case n of
    1: s := 'one';
    2, 3: s := 'two or three';
    4..6, 8: begin s := 'many' end;
  else
    s := 'other';
    n := 0
  end;
  try
    n := 10 div n
  except
    s := ExceptionMessage
  end;
  try
    Open;
  finally
    Close
  end;
  with Report, Report.Pages[0] do
    Title := Name;
  if n = 0 then else n := 1;
  begin
    ; ;
  end;
  Inc(n);
  exit
end.
