begin
  repeat
    x := 1
end.
