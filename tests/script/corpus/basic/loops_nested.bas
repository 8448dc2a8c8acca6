' exit for leaves only the inner loop; exit sub leaves the procedure.
dim log as string

sub Search
  dim i, j as integer
  for i = 1 to 5
    for j = 1 to 5
      if j > i then exit for
      if i * j = 12 then
        log = log & "found " & IntToStr(i) & "x" & IntToStr(j)
        exit sub
      end if
    next
  next
  log = log & "not found"
end sub

dim i, j, count as integer
count = 0
for i = 1 to 4
  for j = 1 to 4
    if j = 3 then exit for
    count = count + 1
  next
next
ShowMessage IntToStr(count)
log = ""
Search
ShowMessage log
