// Functions: value and var parameters, calls before the declaration,
// nested functions.
var x, y, s;

function Swap(&a, &b)
{
  var t;
  t = a;
  a = b;
  b = t;
}

function Add(a, b, c)
{
  return a + b + c;
}

function Outer(n)
{
  function Twice(k)
  {
    return k * 2;
  }
  return Twice(n) + 1;
}

function Append(&text, part)
{
  text += part;
}

function NoArgs()
{
  Early();
  ShowMessage("no args");
}

function Early()
{
  ShowMessage("called before its declaration");
}

x = 1;
y = 2;
Swap(x, y);
ShowMessage(IntToStr(x) + " " + IntToStr(y));
ShowMessage(IntToStr(Add(1, 10, 100)) + " " + IntToStr(Add(1, 2, 100)) + " " + IntToStr(Add(1, 2, 3)));
ShowMessage(IntToStr(Outer(5)));
s = "a";
Append(s, "b");
Append(s, "c");
ShowMessage(s);
NoArgs;
NoArgs();
