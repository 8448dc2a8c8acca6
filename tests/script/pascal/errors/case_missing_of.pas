begin
  case x
    1: ;
  end;
end.
