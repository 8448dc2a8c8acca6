#include "Numbers.h"

namespace numbers_detail {
void raiseRoundRange()
{
    throw EInvalidOp("Invalid floating point operation");
}
}  // namespace numbers_detail
