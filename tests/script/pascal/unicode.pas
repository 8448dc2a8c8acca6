var
  // 中文注释：数量
  数量, 单价: Integer;
  名称: String;
begin
  { 注释 } 名称 := '订单';
  金额 := 数量 * 单价;
end.
