// Mutual recursion: each function called before its declaration.
function IsEven(n: Integer): Boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;

var
  i: Integer;
  s: String;
begin
  s := '';
  for i := 0 to 7 do
    if IsEven(i) then s := s + 'e' else s := s + 'o';
  ShowMessage(s);
  ShowMessage(BoolToStr(IsOdd(101)));
end.
