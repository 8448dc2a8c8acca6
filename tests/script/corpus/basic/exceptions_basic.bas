' Raising and catching: class names and messages.
try
  RaiseException "my own error"
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  StrToInt "x1"
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  ShowMessage IntToStr(10 \ (5 - 5))
catch
  ShowMessage ExceptionClassName
end try
ShowMessage "after"
