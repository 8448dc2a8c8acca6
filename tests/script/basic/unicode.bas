dim 数量, 单价 as integer
' 注释
名称 = "订单"
金额 = 数量 * 单价
