int a, ;
{}