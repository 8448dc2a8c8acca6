// UTF-8 text: lengths count bytes, case mapping changes letters only.
String s;
{
  s = "中文abc";
  ShowMessage(IntToStr(Length(s)));
  ShowMessage(Uppercase(s));
  ShowMessage(Uppercase("ａα") + " " + Lowercase("ΑΒΓ"));
  ShowMessage(IntToStr(Pos("abc", s)));
  ShowMessage(Copy(s, 1, 3));
  ShowMessage(NameCase("ölçek ürün"));
}
