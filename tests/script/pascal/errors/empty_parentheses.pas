begin
  x := ();
end.
