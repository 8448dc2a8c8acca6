program WithUnits;
uses 'unit_shapes.pas', 'unit_more.pas';
begin
  Area(2);
end.
