var l, m: TStringList; i: Integer; v: Variant;
begin
  l := TStringList.Create;
  l.Sorted := True;
  l.Values['b'] := '2'; l.Values['a'] := '1'; l.Values['b'] := '';
  l.CommaText := 'z,"y ""q""",x=,=w,' + #0 + ',"unterminated';
  ShowMessage(l.CommaText + l.Text + IntToStr(l.IndexOfName('')));
  l.Sorted := False;
  l.Move(0, l.Count - 1); l.Insert(l.Count, 'end');
  if l.Find('x', i) then ShowMessage(IntToStr(i));
  m := TStringList.Create;
  m.Text := l.Text; m.Sorted := True; m.Duplicates := dupAccept; m.Add('z'); m.Add('z');
  v := m; TStringList(v).Add('via variant');
  for i := m.Count - 1 downto 0 do m.Delete(i);
  try m.Duplicates := 7 except ShowMessage('dup value') end;
  m.Free; l.Free;
end.
