void F() x = 1;
{}