' Endless recursion whose every call nests thirty host calls: a catchable error, never a crash.
function Deep(n)
  Deep = Round(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Abs(Deep(n + 1)))))))))))))))))))))))))))))))
end function

try
  Deep 0
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
Deep 0
