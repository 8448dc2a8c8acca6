' A host callback (the tool's CallFunction) re-entering a function that is
' running: the running call's locals survive.
function Depth(n as integer) as integer
  dim mine as integer
  mine = n * 100
  if n > 0 then
    Depth = CallFunction("Depth", [n - 1]) + mine
  else
    Depth = 0
  end if
  if mine <> n * 100 then ShowMessage "local lost at " & IntToStr(n)
end function

sub Show(text as string)
  ShowMessage "show: " & text
end sub

ShowMessage IntToStr(Depth(4))
CallFunction "Show", ["from the host"]
ShowMessage VarToStr(CallFunction("NoSuchProcedure", [])) & "|"
