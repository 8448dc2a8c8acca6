// Functions; "&" marks a var parameter.
function Swap(&a, &b)
{
  var t = a;
  a = b;
  b = t;
}

function Max(a, b) {
  if (a > b) return a;
  return b
}

function NoParams() { }

x = 1; y = 2;
Swap(x, y);
ShowMessage(Max(x, y));
Log(&Swap);
