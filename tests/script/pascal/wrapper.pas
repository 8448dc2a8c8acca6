function rpf0: Variant; begin Result := IIF(<Line#> > 1, 'x', 'y') + FormatFloat('0.00', <Orders."Amount"> * 1.5) end; begin end.
