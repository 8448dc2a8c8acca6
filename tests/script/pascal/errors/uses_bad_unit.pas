uses 'unit_bad.pas';
begin
end.
