// Too many arguments.
begin
  ShowMessage('a', 'b');
end.
