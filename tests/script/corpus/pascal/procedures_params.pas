// Procedures and functions: value, var and default parameters, calls
// before the declaration, nested functions.
var
  x, y: Integer;
  s: String;

procedure Swap(var a, b: Integer);
var
  t: Integer;
begin
  t := a;
  a := b;
  b := t;
end;

function Add(a: Integer; b: Integer = 10; c: Integer = 100): Integer;
begin
  Result := a + b + c;
end;

function Outer(n: Integer): Integer;
  function Twice(k: Integer): Integer;
  begin
    Result := k * 2;
  end;
begin
  Result := Twice(n) + 1;
end;

procedure Append(var text: String; const part: String);
begin
  text := text + part;
end;

procedure NoArgs;
begin
  Early;
  ShowMessage('no args');
end;

procedure Early;
begin
  ShowMessage('called before its declaration');
end;

begin
  x := 1;
  y := 2;
  Swap(x, y);
  ShowMessage(IntToStr(x) + ' ' + IntToStr(y));
  ShowMessage(IntToStr(Add(1)) + ' ' + IntToStr(Add(1, 2)) + ' ' + IntToStr(Add(1, 2, 3)));
  ShowMessage(IntToStr(Outer(5)));
  s := 'a';
  Append(s, 'b');
  Append(s, 'c');
  ShowMessage(s);
  NoArgs;
  NoArgs();
end.
