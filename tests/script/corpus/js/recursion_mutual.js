// Mutual recursion: each function called before its declaration.
function IsEven(n)
{
  if (n == 0) return true; else return IsOdd(n - 1);
}

function IsOdd(n)
{
  if (n == 0) return false; else return IsEven(n - 1);
}

var s = "";
for (var i = 0; i <= 7; i++)
  if (IsEven(i)) s += "e"; else s += "o";
ShowMessage(s);
ShowMessage(BoolToStr(IsOdd(101)));
