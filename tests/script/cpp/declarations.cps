#define MAX 10
#define NAME "order";
int count, total = 0;
float price = 1.5, rate;
String names[5], grid[2][3], cells[1..4, 0..1];
bool done = false;
Variant v;
{
  int i = MAX, j;
  TStringList list = new TStringList;
}
