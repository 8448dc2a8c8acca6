' finally runs whatever happens: normal end, exception, exit, exit for.
dim i as integer
dim log as string

sub WithExit
  try
    log = log & "a"
    exit sub
    log = log & "never"
  finally
    log = log & "b"
    log = log & "c"
  end try
  log = log & "never"
end sub

log = ""
WithExit
ShowMessage log
log = ""
for i = 1 to 3
  try
    if i = 2 then exit for
    log = log & IntToStr(i)
  finally
    log = log & "f"
    log = log & "."
  end try
next
ShowMessage log
log = ""
try
  try
    log = log & "x"
    RaiseException "inner"
  finally
    log = log & "y"
  end try
catch
  log = log & "z:" & ExceptionMessage
end try
ShowMessage log
