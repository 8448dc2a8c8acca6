// Recursion keeps every call's locals.
function Fib(n: Integer): Integer;
begin
  if n < 2 then
    Result := n
  else
    Result := Fib(n - 1) + Fib(n - 2);
end;

function Fact(n: Integer): Variant;
var
  k: Integer;
begin
  k := n;
  if n <= 1 then Result := 1 else Result := Fact(n - 1) * k;
end;

function Sum(n: Integer): Integer;
var
  local: Integer;
begin
  local := n;
  if n > 0 then Sum(n - 1);
  Result := local;
end;

begin
  ShowMessage(IntToStr(Fib(20)));
  ShowMessage(VarToStr(Fact(20)));
  ShowMessage(VarToStr(Fact(25)));
  ShowMessage(IntToStr(Sum(10)));
end.
