#defne N 1
{}