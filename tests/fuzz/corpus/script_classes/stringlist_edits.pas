var l: TStringList; i: Integer;
begin
  l := TStringList.Create;
  l.Add('pear'); l.Add('apple'); l.Insert(1, 'fig'); l.Insert(0, 'kiwi');
  l.Delete(2); l.Move(0, 2); l.Sort;
  ShowMessage(IntToStr(l.IndexOf('fig')) + l.Text + l.CommaText);
  l.CommaText := '"a b",c,"d,e",,f';
  l.Text := 'x=1' + #13#10 + 'y=2' + #10 + 'z';
  l.Values['w'] := '4'; l.Values['x'] := '';
  ShowMessage(l.Values['y'] + l.Names[0] + IntToStr(l.IndexOfName('w')));
  l.Sorted := True; l.Duplicates := dupIgnore; l.Add('y=2'); l.Add('a');
  if l.Find('a', i) then ShowMessage(IntToStr(i));
  l.Objects[0] := l; ShowMessage(IntToStr(l.IndexOfObject(l)));
  l.Clear;
  l.Free;
end.
