var d: TscXMLDocument; x: TscXMLItem; s: TMemoryStream; i: Integer;
begin
  d := TscXMLDocument.Create;
  x := d.Root;
  for i := 1 to 60000 do x := x.Add;
  s := TMemoryStream.Create;
  d.SaveToStream(s);
  ShowMessage(IntToStr(s.Size));
  s.Free; d.Free;
end.
