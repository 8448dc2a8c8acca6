// A host callback (the tool's CallFunction) re-entering a procedure that
// is running: the running call's locals survive.
function Depth(n: Integer): Integer;
var
  mine: Integer;
begin
  mine := n * 100;
  if n > 0 then
    Result := CallFunction('Depth', [n - 1]) + mine
  else
    Result := 0;
  if mine <> n * 100 then ShowMessage('local lost at ' + IntToStr(n));
end;

procedure Show(text: String);
begin
  ShowMessage('show: ' + text);
end;

begin
  ShowMessage(IntToStr(Depth(4)));
  CallFunction('Show', ['from the host']);
  ShowMessage(VarToStr(CallFunction('NoSuchProcedure', [])) + '|');
end.
