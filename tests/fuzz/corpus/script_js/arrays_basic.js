// Arrays: zero-based from a count, explicit low bounds, Length.
var a[5], b[1..5];
var i, sum = 0;
for (i = 0; i < 5; i++) a[i] = i * i;
for (i = 1; i <= 5; i++) b[i] = a[i - 1] + 1;
for (i = 1; i <= 5; i++) sum += b[i];
ShowMessage(IntToStr(sum) + " " + IntToStr(Length(a)) + " " + IntToStr(Length(b)));
ShowMessage(IntToStr(a[4]) + " " + IntToStr(b[1]));
try { a[5] = 1 } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage) }
try { i = b[0] } except { ShowMessage(ExceptionClassName + ": " + ExceptionMessage) }
