// with-statements over objects, nested, and objects created and freed by
// the script.
var
  a, b: TComponent;
begin
  a := TComponent.Create(nil);
  b := TComponent.Create(a);
  with a do
  begin
    Name := 'Outer';
    Tag := 7;
  end;
  with b do
    with a do
    begin
      Tag := Tag + 1;
      b.Name := 'Inner';
    end;
  ShowMessage(a.Name + ' ' + IntToStr(a.Tag) + ' ' + b.Name + ' ' + IntToStr(b.Tag));
  with a, b do Tag := 99;
  ShowMessage(IntToStr(a.Tag) + ' ' + IntToStr(b.Tag));
  ShowMessage(a.ClassName + ' ' + BoolToStr(a is TComponent) + ' ' + BoolToStr(a is TPersistent));
  a.Free;
  try
    ShowMessage(b.Name);
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
end.
