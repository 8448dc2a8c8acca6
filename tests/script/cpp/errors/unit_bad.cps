int F()
{
  if (a) else ;
}
