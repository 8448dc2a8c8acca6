// Null and Unassigned: Null propagates through arithmetic, compares equal
// only to Null, and orders below everything.
var v, w;
v = Null;
if (v == Null) ShowMessage("Null = Null");
if (!(v == 0)) ShowMessage("Null <> 0");
if (v != "") ShowMessage("Null <> empty text");
w = v + 1;
if (w == Null) ShowMessage("Null + 1 is Null");
if (v < 0) ShowMessage("Null < 0");
ShowMessage("[" + VarToStr(v) + "]");
ShowMessage(IntToStr(VarType(v)) + " " + IntToStr(VarType(w)));
ShowMessage(IntToStr(VarType(Null)) + " " + IntToStr(varNull));
try { ShowMessage(IntToStr(v)); } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
