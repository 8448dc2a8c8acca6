begin
  case x of
    1 x := 1;
  end;
end.
