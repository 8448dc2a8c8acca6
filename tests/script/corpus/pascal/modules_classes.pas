// A string list, an ini file and a stream from the classes and ini modules.
var
  Fruits, Lines: TStringList;
  Ini: TMemIniFile;
  Stream: TMemoryStream;
  Buffer: String;
  i: Integer;
begin
  Fruits := TStringList.Create;
  Fruits.Sorted := True;
  Fruits.Add('苹果');
  Fruits.Add('banana');
  Fruits.Add('cherry');
  for i := 0 to Fruits.Count - 1 do
    ShowMessage(IntToStr(i) + ': ' + Fruits[i]);

  Ini := TMemIniFile.Create('');
  Ini.WriteTStrings('水果', Fruits, True);
  Ini.WriteInteger('设置', 'Copies', 2);
  ShowMessage('Copies=' + IntToStr(Ini.ReadInteger('设置', 'COPIES', 0)));

  Stream := TMemoryStream.Create;
  Ini.SaveIniFileToStream(Stream);
  ShowMessage('stream of ' + IntToStr(Stream.Size) + ' bytes');
  Stream.Position := 0;
  Lines := TStringList.Create;
  Lines.LoadFromStream(Stream);
  for i := 0 to Lines.Count - 1 do
    ShowMessage('| ' + Lines[i]);

  Lines.Free;
  Stream.Free;
  Ini.Free;
  Fruits.Free;
end.
