begin
  try
    x := 1;
  end;
end.
