// Nested functions see the locals of their enclosing function and the
// globals; an inner name hides an outer one.
var x;

function Outer()
{
  var y;

  function Inner()
  {
    var x;
    x = 5;
    y = y + x;
  }

  y = 1;
  Inner();
  Inner();
  ShowMessage("y = " + IntToStr(y));
}

x = 100;
Outer();
ShowMessage("x = " + IntToStr(x));
