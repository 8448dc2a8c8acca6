var s: TMemoryStream; b: String;
begin
  s := TMemoryStream.Create;
  s.Write('0123456789', 10);
  s.Position := 2;
  s.CopyFrom(s, 5);
  s.Position := 0;
  s.Read(b, 1000);
  ShowMessage(b);
  s.Position := 9223372036854775807;
  try s.Write('z', 1) except ShowMessage('far') end;
  s.Free;
end.
