#include "unit_shapes.cps"
int Count;
