begin
  { 注释 }
  { 注 } x := ;
end.
