#include "unit_shapes.cps", "unit_more.cps"
{
  Area(2);
}
