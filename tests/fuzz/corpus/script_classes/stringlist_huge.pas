var l, m: TStringList; i: Integer; s: String;
begin
  l := TStringList.Create;
  m := TStringList.Create;
  s := 'ab';
  for i := 1 to 20 do s := s + s;
  l.Text := s + #13#10 + s;
  for i := 0 to 2000 do l.Add(IntToStr(i mod 37));
  l.Sort;
  m.CommaText := l.CommaText;
  m.Text := m.Text + m.Text;
  ShowMessage(IntToStr(m.Count));
  m.Free; l.Free;
end.
