// A unit is read by the whole registration, which finds it beside the file.
uses 'unit_lib.pas';
begin
  ShowMessage(Greeting('unit'));
end.
