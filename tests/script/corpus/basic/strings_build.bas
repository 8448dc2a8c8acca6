' Building texts in loops and concatenating numbers and strings.
dim s as string
dim i as integer
s = ""
for i = 1 to 5 : s = s & i & "," : next
ShowMessage s
s = ""
for i = 1 to 1000 : s = "abc" & IntToStr(i) : next
ShowMessage s & " " & IntToStr(Length(s))
s = "x"
for i = 1 to 10 : s = s & s : next
ShowMessage IntToStr(Length(s))
ShowMessage Format("%s=%d", ["total", 42])
ShowMessage Format("%5.2f|%-4s|%x|%3d", [3.14159, "ab", 255, 7])
ShowMessage Format("%s", [s]) = s
