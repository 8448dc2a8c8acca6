var o: TObject; l: TStringList; v: Variant; p: TPersistent;
begin
  o := TStringList.Create;
  l := TStringList(o);
  v := o;
  try TMemoryStream(o).Size except ShowMessage('cast') end;
  try l.LoadFromStream(v) except ShowMessage('class') end;
  p := TPersistent.Create;
  try l.Assign(p) except ShowMessage('assign') end;
  try o := TStream.Create except ShowMessage('abstract') end;
  try o := TCustomIniFile.Create('') except ShowMessage('abstract ini') end;
  ShowMessage(o.ClassName);
  p.Free; l.Free;
end.
