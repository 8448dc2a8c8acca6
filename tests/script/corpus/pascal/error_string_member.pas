// Strings have no members.
var
  s: String;
begin
  s := 'x';
  ShowMessage(s.Length);
end.
