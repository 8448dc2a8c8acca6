// break leaves only the inner loop; return leaves the function.
String log;

void Search()
{
  int i, j;
  for (i = 1; i <= 5; i++)
    for (j = 1; j <= 5; j++) {
      if (j > i) break;
      if (i * j == 12) {
        log = log + "found " + IntToStr(i) + "x" + IntToStr(j);
        return;
      }
    }
  log += "not found";
}

int i, j, count;
{
  count = 0;
  for (i = 1; i <= 4; i++)
    for (j = 1; j <= 4; j++) {
      if (j == 3) break;
      count++;
    }
  ShowMessage(IntToStr(count));
  log = "";
  Search();
  ShowMessage(log);
}
