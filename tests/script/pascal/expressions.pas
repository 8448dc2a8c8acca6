begin
  x := 2 + 3 * 4 - 10 div 3 mod 2 / 1.5;
  x := (2 + 3) * -(4 - +1);
  b := not a = b and (c or d) xor e;
  b := (a < b) or (a <= b) or (a > b) or (a >= b) or (a <> b) or (a = b);
  b := x in [1, 3..6, y] ;
  b := [] = [];
  b := Sender is TButton;
  n := 1 shl 4 shr 2;
  s := 'it''s' + #13#10 + 'line' + #$41;
  h := $FF + $7fffFFFF + 2147483648;
  f := 1.5 + 2E10 + 3.25e-2;
  v := Items[i + 1, 2].Value;
  v := Report.Pages[0].Find('Memo1').Text;
  v := Func()(1);
  p := @Handler;
  t := <Orders."Customer">;
  t := <a <b> 'c>' "d>">;
end.
