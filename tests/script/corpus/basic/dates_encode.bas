' Dates: encoding, decoding into byref arguments, weekdays, month lengths.
dim d as TDateTime
dim y, m, dd as integer
dim h, n, s, ms as integer
d = EncodeDate(2024, 3, 7)
ShowMessage DateToStr(d) & " " & FloatToStr(d)
DecodeDate d, y, m, dd
ShowMessage IntToStr(y) & "/" & IntToStr(m) & "/" & IntToStr(dd)
ShowMessage IntToStr(DayOfWeek(EncodeDate(2024, 3, 10))) & " " & IntToStr(DayOfWeek(d))
ShowMessage IntToStr(DaysInMonth(2000, 2)) & " " & IntToStr(DaysInMonth(1900, 2)) & " " & IntToStr(DaysInMonth(2023, 4))
ShowMessage BoolToStr(IsLeapYear(2024)) & " " & BoolToStr(IsLeapYear(2100))
d = d + EncodeTime(14, 5, 9, 250)
ShowMessage DateTimeToStr(d)
ShowMessage TimeToStr(d)
DecodeTime d, h, n, s, ms
ShowMessage IntToStr(h) & ":" & IntToStr(n) & ":" & IntToStr(s) & "." & IntToStr(ms)
try
  d = EncodeDate(2023, 2, 29)
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  ShowMessage IntToStr(DaysInMonth(2023, 13))
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
