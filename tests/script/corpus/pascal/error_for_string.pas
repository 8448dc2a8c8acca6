// A for loop over a String variable.
var
  s: String;
begin
  for s := 1 to 3 do ShowMessage(s);
end.
