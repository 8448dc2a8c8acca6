var v: Variant; a: array[0..2] of TObject; l: TStringList; i: Integer;
procedure Fill(var o: TObject);
begin
  o := TStringList.Create;
  TStringList(o).Add('filled');
end;
begin
  for i := 0 to 2 do Fill(a[i]);
  v := VarArrayCreate([0, 2], varVariant);
  for i := 0 to 2 do v[i] := a[i];
  l := TStringList(a[1]);
  l.AddObject('v', v[2]);
  a[2].Free;
  ShowMessage(IntToStr(l.IndexOfObject(nil)));
  try TStringList(v[2]).Add('x') except ShowMessage('stale') end;
  with TStringList.Create do
  begin
    Add('with'); ShowMessage(Text); Free;
  end;
  a[0].Free; l.Free;
end.
