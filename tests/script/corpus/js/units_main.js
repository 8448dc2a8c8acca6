// Units: functions and variables of imported units, each unit once.
import "unit_math.js", "unit_text.js";
ShowMessage(IntToStr(Scaled(4)) + " " + IntToStr(Scale));
ShowMessage(Caption(5));
