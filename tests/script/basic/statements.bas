n = 0
for i = 1 to 10
  n = n + i
next i
for i = 10 to 1 step -1
  if i = 5 then continue for
  if i = 2 then exit for
next
while n > 0
  n = n - 1
wend
while n < 2 : n = n + 1 : end while
do
  n = n + 1
loop until n >= 3
do
  n = n - 1
loop while n > 0
do
  exit do
loop
do while n < 3
  n = n + 1
loop
do until n = 0
  n = n - 1
loop
select case n
  case 1
    s = "one"
  case 2, 3 : s = "two or three"
  case 4 to 6, 8
    s = "many"
  case else
    s = "other"
    n = 0
end select
try
  n = 10 \ n
catch
  s = ExceptionMessage
end try
try
  Open
finally
  Close
end try
with Report, Report.Pages[0]
  Title = Name
end with
if n = 0 then
  n = 1
elseif n = 1 then
  n = 2
elseif n = 2 then
else
  n = 3
endif
if n = 0 then n = 1 : m = 2 else n = 2
if n = 0 then n = 1 else
set obj = nothing
delete obj
break
exit
