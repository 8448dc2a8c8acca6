var l: TStringList; s: TMemoryStream; f: TFileStream; i: TIniFile; x: TscXMLDocument;
begin
  l := TStringList.Create; s := TMemoryStream.Create; x := TscXMLDocument.Create;
  try l.SaveToFile('/tmp/out.txt') except ShowMessage('save') end;
  try l.LoadFromFile('/etc/hostname') except ShowMessage('load') end;
  try s.SaveToFile('out.bin') except ShowMessage('stream save') end;
  try s.LoadFromFile('in.bin') except ShowMessage('stream load') end;
  try x.SaveToFile('out.xml') except ShowMessage('xml') end;
  try f := TFileStream.Create('out.dat', fmCreate) except ShowMessage('file stream') end;
  try i := TIniFile.Create('out.ini') except ShowMessage('ini') end;
  x.Free; s.Free; l.Free;
end.
