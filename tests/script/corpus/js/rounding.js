// Banker's rounding for Round and for floats stored into integers.
var i;
var v;
ShowMessage(IntToStr(Round(2.5)) + " " + IntToStr(Round(3.5)) + " " + IntToStr(Round(-2.5)) + " " + IntToStr(Round(-0.5)));
ShowMessage(IntToStr(Trunc(-2.7)) + " " + IntToStr(Trunc(2.7)));
v = 2.5;
i = v;
ShowMessage(IntToStr(i));
v = 3.5;
i = v;
ShowMessage(IntToStr(i));
v = 2.5;
ShowMessage(IntToStr(v));
try { i = Round(3e9); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
try { i = Trunc(-1e10); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
ShowMessage(FormatFloat("0.00", 0.125) + " " + FormatFloat("0.00", 1.005) + " " + FormatFloat("0", 2.5));
