var s: TMemoryStream;
begin
  s := TMemoryStream.Create;
  s.Position := 95000000000;
  try s.Write('x', 1) except ShowMessage('big') end;
  s.Free;
end.
