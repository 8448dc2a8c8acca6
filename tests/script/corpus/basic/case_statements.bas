' select case with values, lists, ranges and case else; strings as selectors.
function Describe(n as integer) as string
  select case n
    case 0
      Describe = "zero"
    case 1, 2, 3
      Describe = "small"
    case 4 to 9
      Describe = "digit"
    case 10, 20 to 29, 100
      Describe = "special"
    case else
      Describe = "other"
  end select
end function

dim i as integer
dim s as string
s = ""
for i = 0 to 11 : s = s & Describe(i) & " " : next
ShowMessage s
ShowMessage Describe(25) & " " & Describe(100) & " " & Describe(-1)
select case "b"
  case "a" : ShowMessage "a"
  case "b", "c" : ShowMessage "b or c"
end select
select case 5
  case 1
    ShowMessage "one"
end select
ShowMessage "done"
