begin
  f(1, );
end.
