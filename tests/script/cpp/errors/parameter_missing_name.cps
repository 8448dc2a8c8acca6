void F(int) {}
{}