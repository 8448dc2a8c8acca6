// Multi-dimensional arrays with low bounds.
#define N 3
Variant grid[1..N, 0..N - 1];
int i, j;
String s;
{
  for (i = 1; i <= N; i++)
    for (j = 0; j < N; j++)
      grid[i, j] = i * 10 + j;
  s = "";
  for (i = 1; i <= N; i++) {
    for (j = 0; j <= N - 1; j++) s = s + IntToStr(grid[i, j]) + " ";
    s = s + "/ ";
  }
  ShowMessage(s);
  ShowMessage(IntToStr(Length(grid)));
}
