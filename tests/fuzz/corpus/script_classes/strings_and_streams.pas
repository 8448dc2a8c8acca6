var l, m: TStringList; s: TMemoryStream; x: TscXMLDocument;
begin
  l := TStringList.Create; m := TStringList.Create; s := TMemoryStream.Create;
  l.Add('one'); l.Add('two');
  l.SaveToStream(s); s.Position := 0; m.LoadFromStream(s);
  ShowMessage(m.Text);
  x := TscXMLDocument.Create;
  x.Root.Name := 'r'; x.Root.Add.Prop['k'] := '<&>';
  s.Clear; x.SaveToStream(s); s.Position := 0; x.LoadFromStream(s);
  s.Position := 0; m.LoadFromStream(s); ShowMessage(m.Text);
  m.Assign(l); l.Assign(nil);
  x.Free; s.Free; m.Free; l.Free;
end.
