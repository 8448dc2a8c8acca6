// Text doubled until memory runs out: a script error, caught once, then not.
var s = "x";
try { for (var i = 0; i < 64; i++) s = s + s; } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage); }
s = "x";
for (var i = 0; i < 64; i++) s += s;
