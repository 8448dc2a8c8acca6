' An uncaught error ends the run with its class name and message.
sub Deep(n as integer)
  if n = 0 then StrToFloat("1.2.3") else Deep(n - 1)
end sub

ShowMessage "start"
Deep 3
ShowMessage "never"
