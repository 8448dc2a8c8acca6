{
  x = 2 + 3 * 4 - 10 / 3 % 2;
  x = (2 + 3) * -(4 - +1);
  b = a == 1 || b != 2 && !(c < 3);
  b = (a < b) || (a <= b) || (a > b) || (a >= b);
  b = x in [1, 3..6, y];
  b = Sender is TButton;
  n = 1 << 4 >> 2 ^ 3;
  s = "tab\x41\"q\"" + "\n\r\\";
  h = 0xFF + 0x7fffFFFF + 2147483648;
  f = 1.5 + 2E10 + 3.25e-2;
  v = Items[i + 1, 2].Value;
  v = Report.Pages[0].Find("Memo1").Text;
  t = <Orders."Customer"> + <a <b> 'c>' "d>">;
  p = &Handler;
}
