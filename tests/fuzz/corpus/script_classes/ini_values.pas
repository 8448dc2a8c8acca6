var i: TMemIniFile; s: TMemoryStream; b: String;
begin
  i := TMemIniFile.Create('x.ini');
  i.WriteString('s', 'd', 'not a date'); i.WriteString('s', 'f', '1e999'); i.WriteString('s', 'n', '$FFFFFFFF');
  i.WriteString('s', 'b', '-0'); i.WriteString('s', 'hex', 'ABC');
  ShowMessage(DateToStr(i.ReadDate('s', 'd', 1)) + FloatToStr(i.ReadFloat('s', 'f', 2)));
  ShowMessage(IntToStr(i.ReadInteger('s', 'n', 3)) + BoolToStr(i.ReadBool('s', 'b', True)));
  ShowMessage(TimeToStr(i.ReadTime('s', 'f', 0.5)) + DateTimeToStr(i.ReadDateTime('s', 'f', 0)));
  s := TMemoryStream.Create;
  s.Write('abc', 3); s.Position := 1;
  ShowMessage(IntToStr(i.ReadBinaryStream('s', 'hex', s)));
  s.Position := 3; i.WriteBinaryStream('s', 'empty', s);
  s.Position := 0; s.Read(b, 10); ShowMessage(b + i.ReadString('s', 'empty', '?') + i.FileName);
  i.WriteFloat('s', 'nan', 0/0);
  s.Free; i.Free;
end.
