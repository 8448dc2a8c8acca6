// Units: procedures and constants of used units, each unit once.
uses 'unit_math.pas', 'unit_text.pas';

begin
  ShowMessage(IntToStr(Scaled(4)) + ' ' + IntToStr(Scale));
  ShowMessage(Caption(5));
end.
