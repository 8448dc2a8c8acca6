// The shape the report core compiles expressions in: a function per
// expression, called by name; here called through the host callback.
function rpf0() { return 3 * 4 + 0.5; }
function rpf1() { return IntToStr(Round(rpf0())) + " units"; }
ShowMessage(VarToStr(CallFunction("rpf0", Null)));
ShowMessage(VarToStr(CallFunction("rpf1", Null)));
