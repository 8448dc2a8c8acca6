// Identifiers in Chinese (the engine runs with the extended character set).
function 合计(a, b)
{
  return a * b;
}

var 数量 = 3, 单价 = 25;
var 金额 = 合计(数量, 单价);
ShowMessage("金额 = " + FloatToStr(金额)); // comment with 中文
/* block comment 中文 */
