#include "unit_bad.cps"
{}
