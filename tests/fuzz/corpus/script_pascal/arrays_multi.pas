// Multi-dimensional arrays with low bounds.
const
  N = 3;
var
  grid: array[1..N, 0..N - 1] of Variant;
  i, j: Integer;
  s: String;
begin
  for i := 1 to N do
    for j := 0 to N - 1 do
      grid[i, j] := i * 10 + j;
  s := '';
  for i := 1 to N do
  begin
    for j := 0 to N - 1 do s := s + IntToStr(grid[i, j]) + ' ';
    s := s + '/ ';
  end;
  ShowMessage(s);
  ShowMessage(IntToStr(Length(grid)));
end.
