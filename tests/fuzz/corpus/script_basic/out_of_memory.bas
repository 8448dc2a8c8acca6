' Text joined to itself until memory runs out: a script error, caught once, then not.
s = "x"
try
  for i = 1 to 64 : s = s & s : next
catch
  ShowMessage ExceptionClassName & ": " & ExceptionMessage
end try
s = "x"
for i = 1 to 64 : s = s & s : next
