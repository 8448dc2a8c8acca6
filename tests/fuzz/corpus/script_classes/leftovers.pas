var a: TStringList; s: TMemoryStream; i: TMemIniFile; x: TscXMLDocument; n: Integer;
begin
  for n := 1 to 50 do begin
    a := TStringList.Create; a.Add('leak');
    s := TMemoryStream.Create; s.Write('x', 1);
    i := TMemIniFile.Create('left.ini');
    x := TscXMLDocument.Create;
  end;
  a := nil;
  a.Add('stop with objects alive');
end.
