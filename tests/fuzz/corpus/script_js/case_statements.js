// switch with values, lists, ranges and a default part; strings as selectors.
function Describe(n)
{
  switch (n) {
    case 0: return "zero";
    case 1: case 2: case 3: return "small";
    case 4..9: return "digit";
    case 10, 20..29, 100: return "special";
    default: return "other";
  }
}

var s = "";
for (var i = 0; i <= 11; i++) s = s + Describe(i) + " ";
ShowMessage(s);
ShowMessage(Describe(25) + " " + Describe(100) + " " + Describe(-1));
switch ("b") {
  case "a": ShowMessage("a"); break;
  case "b": case "c": ShowMessage("b or c"); break;
}
switch (5) {
  case 1: ShowMessage("one")
}
ShowMessage("done");
