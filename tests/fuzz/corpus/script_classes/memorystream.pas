var s, t: TMemoryStream; b: String; n: Integer;
begin
  s := TMemoryStream.Create;
  t := TMemoryStream.Create;
  s.Write('hello world', 11);
  s.Position := 6;
  n := s.Read(b, 100);
  ShowMessage(IntToStr(n) + b);
  s.Seek(-5, soFromEnd); s.Seek(2, soFromCurrent); s.Seek(0, soFromBeginning);
  ShowMessage(IntToStr(t.CopyFrom(s, 0)) + IntToStr(t.Size));
  s.Position := 100; s.Write('x', 1); ShowMessage(IntToStr(s.Size));
  t.Position := 3;
  try ShowMessage(IntToStr(t.CopyFrom(s, 4))) except ShowMessage('short') end;
  s.Write('abc', 2147483647); s.Write('abc', -1); s.Read(b, -1);
  s.Clear; t.LoadFromStream(s); s.SaveToStream(t);
  try s.Seek(0, 3) except ShowMessage('origin') end;
  try s.Position := -10 except ShowMessage('negative') end;
  try s.CopyFrom(nil, 1) except ShowMessage('nil') end;
  s.CopyFrom(s, 0);
  t.Free; s.Free;
end.
