// A recursive function writing through var parameters: the value reaches
// the caller's own local, which is restored before it is written.
function Count(n, &total)
{
  var sub;
  if (n == 0) {
    total = 0;
    return;
  }
  sub = -1;
  Count(n - 1, sub);
  total = sub + n;
}

function Digits(n, &text)
{
  var rest;
  if (n < 10)
    text = IntToStr(n);
  else {
    Digits(Trunc(n / 10), rest);
    text = rest + "," + IntToStr(n % 10);
  }
}

var t, s;
Count(10, t);
ShowMessage(IntToStr(t));
Digits(12345, s);
ShowMessage(s);
