var a, b, c: TComponent; col: TCollection; o: TObject;
begin
  a := TComponent.Create(nil);
  b := TComponent.Create(a);
  c := TComponent.Create(b);
  c.Name := 'c'; b.Name := 'b';
  try c.Name := 'b' except ShowMessage('name') end;
  try c.Name := '1x' except ShowMessage('bad name') end;
  ShowMessage(c.Owner.Name + IntToStr(c.Tag));
  try b.Assign(a) except ShowMessage('assign') end;
  try o := TCollection.Create except ShowMessage('abstract') end;
  col := TCollection(o);
  try col[0].Free except ShowMessage('nil') end;
  a.Free;
  try c.Free except ShowMessage('gone') end;
  o.Free;
end.
