' Nested handlers: the inner one consumes, a re-raised error reaches the
' outer one, errors travel out of procedures.
sub Fail(text as string)
  RaiseException text
end sub

function Safe(n as integer) as string
  try
    if n = 0 then Fail "zero"
    Safe = "ok " & IntToStr(n)
  catch
    Safe = "caught " & ExceptionMessage
  end try
end function

ShowMessage Safe(1)
ShowMessage Safe(0)
try
  try
    Fail "first"
  catch
    ShowMessage "inner: " & ExceptionMessage
    Fail "second"
  end try
catch
  ShowMessage "outer: " & ExceptionMessage
end try
try
  try
    Fail "third"
  finally
    ShowMessage "cleanup"
  end try
catch
  ShowMessage "outer: " & ExceptionMessage
end try
ShowMessage Safe(0) & " again"
