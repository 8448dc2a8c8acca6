int a[1. 5];
{}