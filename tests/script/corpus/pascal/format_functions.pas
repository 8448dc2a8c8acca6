// Format, FormatFloat and friends on the platform's formatting library.
var
  long: String;
  i: Integer;
begin
  ShowMessage(Format('%d items at %.2f = %n', [3, 1.5, 1234567.891]));
  ShowMessage(Format('%-6s|%6s|', ['ab', 'cd']));
  ShowMessage(Format('%1:s %0:s', ['world', 'hello']));
  ShowMessage(Format('%e', [12345.678]));
  ShowMessage(Format('%g|%g', [0.5, 1e20]));
  ShowMessage(Format('%x %X %u', [255, 4096, 7]));
  ShowMessage(Format('%%', []));
  long := '';
  for i := 1 to 300 do long := long + 'x';
  ShowMessage(IntToStr(Length(Format('<%s>', [long]))));
  try
    ShowMessage(Format('%d', ['text']));
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage(FormatFloat('#,##0.00', 1234567.891));
  ShowMessage(FormatFloat('0.00;(0.00);zero', -3.456) + ' ' + FormatFloat('0.00;(0.00);zero', 0));
  ShowMessage(FormatFloat('0.###E+00', 12345));
end.
