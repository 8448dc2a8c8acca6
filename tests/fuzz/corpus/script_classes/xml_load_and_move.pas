var d, e: TscXMLDocument; x, y: TscXMLItem; s: TMemoryStream; l: TStringList;
begin
  d := TscXMLDocument.Create; e := TscXMLDocument.Create;
  s := TMemoryStream.Create; l := TStringList.Create;
  l.Text := '<?xml version="1.0"?>' + #13#10 + '<r a="1" b="&#60;&#99999999;&quot;"><!-- c --><i/><j k="2">t</j></r>';
  l.SaveToStream(s); s.Position := 0;
  d.LoadFromStream(s);
  ShowMessage(d.Root.Name + d.Root.Prop['b'] + IntToStr(d.Root.Count));
  x := d.Root.Items[1];
  y := TscXMLItem.Create; y.Name := 'y'; e.Root.Name := 'e';
  y.AddItem(x);
  e.Root.AddItem(y);
  try x.AddItem(e.Root) except ShowMessage('loop') end;
  y.InsertItem(0, d.Root.Add); y.Items[0].Name := 'first';
  x.Prop['k'] := 'v"<>'; x.Prop['new'] := '';
  s.Clear; e.SaveToStream(s); s.Position := 0; d.LoadFromStream(s);
  ShowMessage(d.Root.Items[0].Items[1].Prop['k']);
  s.Clear; s.Write('<?xml?><a><b></c>', 17); s.Position := 0;
  try d.LoadFromStream(s) except ShowMessage('mismatch') end;
  l.Free; s.Free; e.Free; d.Free;
end.
