x = 2 + 3 * 4 - 10 / 3 mod 2 \ 1
x = (2 + 3) * -(4 - +1)
b = a = 1 or b <> 2 and not c < 3
b = not a xor b
b = (a < b) or (a <= b) or (a > b) or (a >= b)
b = x in [1, 3..6, y]
b = Sender is TButton
s = "it""s" & "x" + #13#10 + "line"
h = 0xFF + 0x7fffFFFF + 2147483648
f = 1.5 + 2E10 + 3.25e-2
v = Items[i + 1, 2].Value
v = Report.Pages[0].Find("Memo1").Text
t = <Orders."Customer"> & <a <b> 'c>' "d>">
