' Endless recursion ends in a catchable error, not a crash.
dim calls as integer

sub Forever
  calls = calls + 1
  Forever
end sub

calls = 0
try
  Forever
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
ShowMessage IntToStr(calls)
Forever
