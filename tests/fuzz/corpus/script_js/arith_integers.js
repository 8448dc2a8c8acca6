// Integer arithmetic: precedence, left grouping, integer division and
// remainder toward zero, promotion to 64 bits instead of wrapping.
ShowMessage(IntToStr(2 + 3 * 4));
ShowMessage(IntToStr((2 + 3) * 4));
ShowMessage(IntToStr(10 - 4 - 3));
ShowMessage(IntToStr(Trunc(7 / 2)) + " " + IntToStr(Trunc(-7 / 2)));
ShowMessage(IntToStr(7 % 3) + " " + IntToStr(-7 % 3));
var a = 2147483647;
var v = a + 1;
ShowMessage(VarToStr(v) + " " + IntToStr(VarType(v)));
v = 2147483647 * 2;
ShowMessage(VarToStr(v));
v = 2147483648;
ShowMessage(IntToStr(VarType(v)));
var b = -a - 1;
ShowMessage(IntToStr(b));
ShowMessage(IntToStr(1 << 4 >> 2));
ShowMessage(IntToStr(!0));
ShowMessage(IntToStr(6 && 3) + " " + IntToStr(6 || 3) + " " + IntToStr(6 ^ 3));
ShowMessage(IntToStr(-(4 - 1)));
