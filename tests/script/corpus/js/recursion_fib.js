// Recursion keeps every call's locals.
function Fib(n)
{
  if (n < 2) return n;
  return Fib(n - 1) + Fib(n - 2);
}

function Fact(n)
{
  var k = n;
  if (n <= 1) return 1;
  return Fact(n - 1) * k;
}

function Sum(n)
{
  var local = n;
  if (n > 0) Sum(n - 1);
  return local;
}

ShowMessage(IntToStr(Fib(20)));
ShowMessage(VarToStr(Fact(20)));
ShowMessage(VarToStr(Fact(25)));
ShowMessage(IntToStr(Sum(10)));
