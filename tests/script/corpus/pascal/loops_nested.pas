// break leaves only the inner loop; exit leaves the procedure.
var
  log: String;

procedure Search;
var
  i, j: Integer;
begin
  for i := 1 to 5 do
    for j := 1 to 5 do
    begin
      if j > i then break;
      if i * j = 12 then
      begin
        log := log + 'found ' + IntToStr(i) + 'x' + IntToStr(j);
        exit;
      end;
    end;
  log := log + 'not found';
end;

var
  i, j, count: Integer;
begin
  count := 0;
  for i := 1 to 4 do
    for j := 1 to 4 do
    begin
      if j = 3 then break;
      count := count + 1;
    end;
  ShowMessage(IntToStr(count));
  log := '';
  Search;
  ShowMessage(log);
end.
