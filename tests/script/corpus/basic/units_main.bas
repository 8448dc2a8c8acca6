' Units: procedures and variables of imported units, each unit once.
imports "unit_math.bas", "unit_text.bas"
ShowMessage IntToStr(Scaled(4)) & " " & IntToStr(Scale)
ShowMessage Caption(5)
