' The platform's division and conversion error texts, caught by the script.
dim v
dim i as integer
try
  v = 1 / 0
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  i = 0
  v = 0 / i
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  i = 5 \ 0
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  i = 5 mod (i - i)
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  v = "abc"
  i = v
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
try
  v = 1e300
  v = v * 1e300
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
ShowMessage "done"
