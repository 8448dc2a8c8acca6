' with-statements over objects, nested, and objects created and freed by
' the script.
dim a, b as TComponent
set a = new TComponent(nil)
set b = new TComponent(a)
with a
  Name = "Outer"
  Tag = 7
end with
with b
  with a
    Tag = Tag + 1
    b.Name = "Inner"
  end with
end with
ShowMessage a.Name & " " & IntToStr(a.Tag) & " " & b.Name & " " & IntToStr(b.Tag)
with a, b
  Tag = 99
end with
ShowMessage IntToStr(a.Tag) & " " & IntToStr(b.Tag)
ShowMessage a.ClassName & " " & BoolToStr(a is TComponent) & " " & BoolToStr(a is TPersistent)
a.Free
try
  ShowMessage b.Name
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
