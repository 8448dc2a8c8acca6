' Nested procedures see the locals of their enclosing procedure and the
' globals; an inner name hides an outer one.
dim x as integer

sub Outer
  dim y as integer

  sub Inner
    dim x as integer
    x = 5
    y = y + x
  end sub

  y = 1
  Inner
  Inner
  ShowMessage "y = " & IntToStr(y)
end sub

x = 100
Outer
ShowMessage "x = " & IntToStr(x)
