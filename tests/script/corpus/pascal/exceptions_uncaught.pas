// An uncaught error ends the run with its class name and message.
procedure Deep(n: Integer);
begin
  if n = 0 then StrToFloat('1.2.3') else Deep(n - 1);
end;

begin
  ShowMessage('start');
  Deep(3);
  ShowMessage('never');
end.
