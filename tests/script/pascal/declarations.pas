program Declarations;

const
  Max = 100;
  Name = 'shipping';
  Ratio = 1.5e-3;

var
  i, j, k: Integer;
  s: String = 'start';
  total: Extended = Max * 2;
  grid: array [10] of Integer;
  table: array [1..5, 0..Max - 1] of Variant;
  flag: Boolean;

begin
end.
