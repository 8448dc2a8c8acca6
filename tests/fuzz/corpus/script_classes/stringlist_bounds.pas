var l: TStringList;
begin
  l := TStringList.Create;
  l.Add('a');
  try l.Delete(5) except ShowMessage('delete') end;
  try l.Insert(-1, 'x') except ShowMessage('insert') end;
  try l.Move(0, 9) except ShowMessage('move') end;
  try ShowMessage(l[-1]) except ShowMessage('get') end;
  try l[2147483647] := 'x' except ShowMessage('put') end;
  try ShowMessage(l.Names[3]) except ShowMessage('names') end;
  try l.Objects[7] := nil except ShowMessage('objects') end;
  l.Sorted := True;
  try l.Insert(0, 'b') except ShowMessage('sorted insert') end;
  l.Duplicates := dupError;
  try l.Add('a') except ShowMessage('dup') end;
  l.Free;
end.
