var s: TMemoryStream;
begin
  s := TMemoryStream.Create;
  s.Write('0123456789', 10);
  s.SaveToStream(s);
  s.LoadFromStream(s);
  s.Free;
end.
