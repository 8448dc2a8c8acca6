uses 'unit_shapes.pas';
var Count: Integer;
begin
end.
