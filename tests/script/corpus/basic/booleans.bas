' Boolean operators: short-circuit when both sides are Boolean, bitwise
' otherwise; and, or bind more loosely than comparisons, a leading not too.
dim calls as integer
dim a, b as boolean
dim v

function Touch(value as boolean) as boolean
  calls = calls + 1
  return value
end function

calls = 0
if False and Touch(True) then ShowMessage "never"
if True or Touch(True) then ShowMessage "or without the right side"
ShowMessage IntToStr(calls)
if True and Touch(False) then ShowMessage "never"
ShowMessage IntToStr(calls)
a = False
b = True
if (not a) = b then ShowMessage "(not a) = b"
ShowMessage BoolToStr(a xor b) & " " & BoolToStr(not b)
v = 12
ShowMessage VarToStr(v and 10) & " " & VarToStr(v or 3)
ShowMessage BoolToStr(1 < 2 and 2 < 3)
