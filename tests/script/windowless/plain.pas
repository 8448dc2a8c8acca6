// Nothing here needs a window: a string list, an ini file in memory, the
// tool's CallFunction, a text a window item's name is written in.
var
  list: TStringList;
function Twice(n: Integer): Integer;
begin
  Result := n * 2;
end;
begin
  list := TStringList.Create;
  list.Add('b');
  list.Add('a');
  list.Sort;
  ShowMessage(list.CommaText + ' ' + IntToStr(CallFunction('Twice', [21])) + ' ' + 'TFormula');
  list.Free;
end.
