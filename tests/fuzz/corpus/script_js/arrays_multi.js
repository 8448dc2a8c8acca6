// Multi-dimensional arrays with low bounds.
var N = 3;
var grid[1..3, 0..2];
for (var i = 1; i <= N; i++)
  for (var j = 0; j < N; j++)
    grid[i, j] = i * 10 + j;
var s = "";
for (i = 1; i <= N; i++) {
  for (j = 0; j <= N - 1; j++) s = s + IntToStr(grid[i, j]) + " ";
  s = s + "/ ";
}
ShowMessage(s);
ShowMessage(IntToStr(Length(grid)));
