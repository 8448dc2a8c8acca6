function F() {
  x = (1;
}
