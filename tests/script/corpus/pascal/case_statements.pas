// case with values, lists, ranges and an else part; strings as selectors.
function Describe(n: Integer): String;
begin
  case n of
    0: Result := 'zero';
    1, 2, 3: Result := 'small';
    4..9: Result := 'digit';
    10, 20..29, 100: Result := 'special';
  else
    Result := 'other';
  end;
end;

var
  i: Integer;
  s: String;
begin
  s := '';
  for i := 0 to 11 do s := s + Describe(i) + ' ';
  ShowMessage(s);
  ShowMessage(Describe(25) + ' ' + Describe(100) + ' ' + Describe(-1));
  case 'b' of
    'a': ShowMessage('a');
    'b', 'c': ShowMessage('b or c');
  end;
  case 5 of
    1: ShowMessage('one');
  end;
  ShowMessage('done');
end.
