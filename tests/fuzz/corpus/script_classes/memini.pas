var i: TMemIniFile; l: TStringList; s: TMemoryStream;
begin
  i := TMemIniFile.Create('');
  l := TStringList.Create;
  s := TMemoryStream.Create;
  i.WriteString('a', 'k', 'v'); i.WriteInteger('a', 'n', -7); i.WriteBool('b', 'f', True);
  i.WriteFloat('b', 'x', 1.5); i.WriteDate('c', 'd', 45000); i.WriteDateTime('c', 't', 45000.25);
  i.WriteTime('c', 'h', 0.5);
  ShowMessage(i.ReadString('A', 'K', '') + IntToStr(i.ReadInteger('a', 'n', 0)));
  l.Add('x'); l.Add('y');
  i.WriteTStrings('list', l, True); l.Clear;
  ShowMessage(i.ReadTStrings('list', l, True));
  i.WriteInteger('list', 'Count', 99999999); i.ReadTStrings('list', l, False);
  s.Write('bytes', 5); s.Position := 0;
  i.WriteBinaryStream('bin', 'b', s); s.Clear;
  ShowMessage(IntToStr(i.ReadBinaryStream('bin', 'b', s)));
  i.ReadSection('a', l); i.ReadSections(l); i.ReadSectionValues('c', l); i.ReadSectionValuesEx('c', l);
  i.DeleteKey('a', 'k'); i.EraseSection('b');
  ShowMessage(BoolToStr(i.SectionExists('a')) + BoolToStr(i.ValueExists('c', 'd')));
  s.Clear; i.SaveIniFileToStream(s); s.Position := 0; i.LoadIniFileFromStream(s);
  i.GetStrings(l); i.Clear; i.SetStrings(l); i.SetStrings(nil); i.GetStrings(nil);
  i.ReadSection('a', nil); i.WriteTStrings('z', nil); i.ReadTStrings('z', nil);
  s.Free; l.Free; i.Free;
end.
