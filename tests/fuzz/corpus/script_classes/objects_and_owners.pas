var a, b: TStringList; t: TList; c, d: TComponent; x, y: TscXMLItem;
begin
  a := TStringList.Create; b := TStringList.Create;
  a.AddObject('b', b); a.InsertObject(0, 'a', a);
  t := TList.Create; t.Add(a); t.Add(b); t.Insert(1, nil); t.Delete(0);
  b.Free;
  ShowMessage(IntToStr(t.IndexOf(nil)) + IntToStr(t.Count));
  try t[1].ClassName except ShowMessage('stale') end;
  c := TComponent.Create(nil); d := TComponent.Create(c);
  try d.Free except ShowMessage('owned') end;
  x := TscXMLItem.Create; y := TscXMLItem.Create;
  x.AddItem(y); x.InsertItem(0, TscXMLItem.Create);
  y.Free; x.Clear;
  try x.InsertItem(5, TscXMLItem.Create) except ShowMessage('index') end;
  x.Free; c.Free; t.Free; a.Free;
end.
