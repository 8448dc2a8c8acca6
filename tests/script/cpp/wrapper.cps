Variant rpf0() { return IIF(<Line#> > 1, "x", "y") + FormatFloat("0.00", <Orders."Amount"> * 1.5); } {}
Variant rpf1() { return [Price] * 2; } {}
