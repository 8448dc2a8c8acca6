// The shape the report core compiles expressions in: a function per
// expression, called by name; here called through the host callback.
function rpf0: Variant;
begin
  Result := 3 * 4 + 0.5;
end;

function rpf1: Variant;
begin
  Result := IntToStr(Round(rpf0)) + ' units';
end;

begin
  ShowMessage(VarToStr(CallFunction('rpf0', Null)));
  ShowMessage(VarToStr(CallFunction('rpf1', Null)));
end.
