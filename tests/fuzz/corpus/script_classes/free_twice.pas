var l: TStringList; s: TMemoryStream; o: TObject;
begin
  l := TStringList.Create;
  l.Free;
  try l.Free except ShowMessage('twice') end;
  try l.Add('x') except ShowMessage('after free') end;
  s := TMemoryStream.Create; o := s; s.Free;
  try o.Free except ShowMessage('alias') end;
  l := nil; l.Free;
  try l.Add('x') except ShowMessage('nil') end;
  try ShowMessage(IntToStr(l.Count)) except ShowMessage('nil count') end;
end.
