var i: TMemIniFile; l: TStringList;
begin
  i := TMemIniFile.Create('');
  l := TStringList.Create;
  l.Text := '[a' + #13#10 + '=x' + #13#10 + '[]' + #13#10 + 'k=' + #13#10 + ';c' + #13#10 + '[b]' + #13#10 + 'hex=0xFFFFFFFFFF' + #13#10 + 'bin=zz1';
  i.SetStrings(l);
  ShowMessage(IntToStr(i.ReadInteger('b', 'hex', 3)) + FloatToStr(i.ReadFloat('b', 'hex', 2)));
  ShowMessage(IntToStr(i.ReadBinaryStream('b', 'bin', nil)));
  i.WriteString('', '', '');
  i.WriteString('[x]', 'a=b', 'c' + #10 + 'd');
  i.GetStrings(l); ShowMessage(l.Text);
  l.Free; i.Free;
end.
