' Multi-dimensional arrays with low bounds.
dim N = 3
dim grid[1..3, 0..2]
dim i, j as integer
dim s as string
for i = 1 to N
  for j = 0 to N - 1
    grid[i, j] = i * 10 + j
  next
next
s = ""
for i = 1 to N
  for j = 0 to N - 1 : s = s & IntToStr(grid[i, j]) & " " : next
  s = s & "/ "
next
ShowMessage s
ShowMessage IntToStr(Length(grid))
