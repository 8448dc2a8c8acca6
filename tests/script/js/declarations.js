var count, total = 0;
var price = 1.5, rate
var names[5], grid[2][3], cells[1..4, 0..1];
var list = new TStringList;
undeclared = 1;
