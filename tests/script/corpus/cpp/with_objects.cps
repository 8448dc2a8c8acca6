// C++Script has no with-statement: objects created with new, their
// members written directly, freed with delete.
TComponent a, b;
{
  a = new TComponent(nil);
  b = new TComponent(a);
  a.Name = "Outer";
  a.Tag = 7;
  a.Tag = a.Tag + 1;
  b.Name = "Inner";
  ShowMessage(a.Name + " " + IntToStr(a.Tag) + " " + b.Name + " " + IntToStr(b.Tag));
  b.Tag = 99;
  ShowMessage(IntToStr(a.Tag) + " " + IntToStr(b.Tag));
  ShowMessage(a.ClassName + " " + BoolToStr(a is TComponent) + " " + BoolToStr(a is TPersistent));
  delete a;
  try { ShowMessage(b.Name); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
}
