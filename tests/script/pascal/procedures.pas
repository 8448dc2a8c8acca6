// Procedures and functions: var, const and default parameters, nested
// declarations, a call before the declaration.
procedure Swap(var a, b: Integer);
var
  t: Integer;
begin
  t := a;
  a := b;
  b := t
end;

function Max(a, b: Integer; const Bias: Integer = 0): Integer;
begin
  if a > b then Result := a + Bias else Result := b + Bias
end;

function Factorial(n: Integer): Integer;
  function Inner(x: Integer): Integer;
  begin
    Result := x
  end;
begin
  if n <= 1 then
    Result := Inner(1)
  else
    Result := n * Factorial(n - 1);
end;

procedure NoParams();
begin
  Later;
end;

procedure Later;
begin
end;

begin
  Swap(i, j);
  ShowMessage(IntToStr(Max(1, 2)));
  NoParams
end.
