function rpf0: Variant; begin Result := [Line#] + IIF(a > b, 'x', 'y') end; begin end.
