// A type nobody registered.
var
  f: TNoSuchClass;
begin
end.
