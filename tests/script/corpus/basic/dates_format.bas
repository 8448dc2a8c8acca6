' Date and time text: pictures where "mm" after "hh" means minutes.
dim d as TDateTime
dim v
d = EncodeDate(2024, 3, 7) + EncodeTime(14, 5, 9, 0)
ShowMessage FormatDateTime("yyyy-mm-dd-HHMMSS", d)
ShowMessage "ZEZO-" & FormatDateTime("yyyy-mm-dd-HHMMSS", d)
ShowMessage FormatDateTime("yyyy""年""m""月""d""日"" hh:nn", d)
ShowMessage FormatDateTime("ddd dd mmm yy", d)
d = StrToDate("2024-03-07")
ShowMessage FloatToStr(d)
d = StrToDateTime("2024-03-07 08:30:00")
ShowMessage DateTimeToStr(d)
ShowMessage FloatToStr(StrToTime("12:00"))
v = StrToDate("2024-12-31")
ShowMessage IntToStr(VarType(v)) & " " & VarToStr(v)
ShowMessage BoolToStr(ValidDate("2024-02-30")) & " " & BoolToStr(ValidDate("2024-02-29")) & " " & BoolToStr(ValidDate(v))
try
  d = StrToDate("not a date")
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
