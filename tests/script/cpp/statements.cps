int i, n;
String s;
{
  n = 0;
  for (i = 1; i <= 10; i++)
    n = n + i;
  for (i = 10; i >= 1; i--) {
    if (i == 5) continue;
    if (i == 2) break;
  }
  for (;;) break;
  for (i = 0, n = 1; i < 3; i++, n *= 2) ;
  while (n > 0) n -= 1;
  do {
    n++;
  } while (n < 3);
  switch (n) {
    case 1: s = "one"; break;
    case 2: case 3: s = "two or three"; break;
    case 4..6, 8: { s = "many"; }
    default:
      s = "other";
      n = 0;
  }
  try {
    n = 10 / n;
  } except {
    s = ExceptionMessage;
  }
  try { Open(); } finally { Close(); }
  if (n == 0) ; else n = 1;
  { ; ; }
  n += 2; n /= 2;
  delete list;
  return;
}
