' Recursion keeps every call's locals.
function Fib(n as integer) as integer
  if n < 2 then
    Fib = n
  else
    Fib = Fib(n - 1) + Fib(n - 2)
  end if
end function

function Fact(n as integer)
  dim k as integer
  k = n
  if n <= 1 then Fact = 1 else Fact = Fact(n - 1) * k
end function

function Sum(n as integer) as integer
  dim local as integer
  local = n
  if n > 0 then Sum(n - 1)
  Sum = local
end function

ShowMessage IntToStr(Fib(20))
ShowMessage VarToStr(Fact(20))
ShowMessage VarToStr(Fact(25))
ShowMessage IntToStr(Sum(10))
