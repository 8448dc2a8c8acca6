// Identifiers in Chinese (the engine runs with the extended character set).
var
  数量, 单价: Integer;
  金额: Extended;

function 合计(a, b: Integer): Integer;
begin
  Result := a * b;
end;

begin
  数量 := 3;
  单价 := 25;
  金额 := 合计(数量, 单价);
  ShowMessage('金额 = ' + FloatToStr(金额)); // comment with 中文
  { block comment 中文 } (* another *)
end.
