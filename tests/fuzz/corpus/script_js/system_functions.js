var s = Format("%s=%d %.2f %e", ["n", 42, 0.05, 1e-15]);
s = Copy(s, 2, 5) + UpperCase(Trim("  x  ")) + IntToStr(Pos("=", s));
for (var i = 1; i <= 10; i++) s += Chr(65 + i);
var v = VarArrayCreate([0, 3], varVariant);
v[1] = "text"; v[2] = 2.5;
s = s + VarToStr(v[1]) + FloatToStr(StrToFloat("1.5") * 2);
try { s = s + 1 / 0; } except { s = s + ExceptionMessage; }
ShowMessage(s);
