' A procedure left by an error runs normally the next time.
dim runs as integer

sub Handler(fail as boolean)
  dim local as integer
  runs = runs + 1
  local = runs
  if fail then RaiseException "failed in run " & IntToStr(local)
  ShowMessage "run " & IntToStr(local) & " ok"
end sub

runs = 0
try
  Handler True
catch
  ShowMessage ExceptionMessage
end try
Handler False
CallFunction "Handler", [False]
