// Arrays are values: assignment copies, a parameter gets its own copy.
var a[3], b[3];
var v, w;

function Change(x)
{
  x[0] = 99;
  ShowMessage("inside " + IntToStr(x[0]));
}

function ChangeVar(&x)
{
  x[0] = 77;
}

a[0] = 1;
b = a;
b[0] = 2;
ShowMessage(IntToStr(a[0]) + " " + IntToStr(b[0]));
v = VarArrayCreate([0, 2], varVariant);
v[0] = "x";
w = v;
w[0] = "y";
ShowMessage(v[0] + w[0]);
Change(v);
ShowMessage(v[0]);
ChangeVar(v);
ShowMessage(v[0]);
v = [1, 2, 3];
ShowMessage(IntToStr(Length(v)) + " " + IntToStr(v[2]));
SetLength(v, 5);
v[4] = 5;
ShowMessage(IntToStr(Length(v)) + " " + IntToStr(v[4]) + " " + IntToStr(v[1]));
ShowMessage(IntToStr(VarType(v)));
