// Identifiers in Chinese (the engine runs with the extended character set).
int 数量, 单价;
float 金额;

int 合计(int a, int b)
{
  return a * b;
}

{
  数量 = 3;
  单价 = 25;
  金额 = 合计(数量, 单价);
  ShowMessage("金额 = " + FloatToStr(金额)); // comment with 中文
  /* block comment 中文 */
}
