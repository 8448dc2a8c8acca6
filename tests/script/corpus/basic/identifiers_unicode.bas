' Identifiers in Chinese (the engine runs with the extended character set).
dim 数量, 单价 as integer
dim 金额 as extended

function 合计(a as integer, b as integer) as integer
  return a * b
end function

数量 = 3
单价 = 25
金额 = 合计(数量, 单价)
ShowMessage "金额 = " & FloatToStr(金额) ' comment with 中文
rem another comment 中文
