String s; int i; Variant v;
{
  s = Format("%s=%d %.2f %e", ["n", 42, 0.05, 1e-15]);
  s = Copy(s, 2, 5) + UpperCase(Trim("  x  ")) + IntToStr(Pos("=", s));
  for (i = 1; i <= 10; i++) s += Chr(65 + i);
  v = VarArrayCreate([0, 3], varVariant);
  v[1] = "text"; v[2] = 2.5;
  s = s + VarToStr(v[1]) + FloatToStr(StrToFloat("1.5") * 2);
  switch (i) { case 11: s += "!"; break; default: s += "?"; }
  ShowMessage(s);
}
