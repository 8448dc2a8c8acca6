// with-statements over objects, nested, and objects created and freed by
// the script.
var a = new TComponent(nil);
var b = new TComponent(a);
with (a) {
  Name = "Outer";
  Tag = 7;
}
with (b)
  with (a) {
    Tag = Tag + 1;
    b.Name = "Inner";
  }
ShowMessage(a.Name + " " + IntToStr(a.Tag) + " " + b.Name + " " + IntToStr(b.Tag));
with (a, b) Tag = 99;
ShowMessage(IntToStr(a.Tag) + " " + IntToStr(b.Tag));
ShowMessage(a.ClassName + " " + BoolToStr(a is TComponent) + " " + BoolToStr(a is TPersistent));
a.Free;
try { ShowMessage(b.Name) } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage) }
