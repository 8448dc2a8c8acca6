#include "rpUtilsGeometry.h"

#include <algorithm>

namespace {
constexpr Extended kTouch = 0.0001L;
}

bool TrpRectArea::InterceptsX(const TrpRectArea& other) const
{
    return other.X < X1 - kTouch && other.X1 > X + kTouch;
}

bool TrpRectArea::InterceptsY(const TrpRectArea& other) const
{
    return other.Y < Y1 - kTouch && other.Y1 > Y + kTouch;
}

bool TrpRectArea::InterceptsArea(const TrpRectArea& other, TrpRectArea& result) const
{
    if (!InterceptsX(other)) return false;
    result = TrpRectArea(std::max(X, other.X), 0, std::min(X1, other.X1), 0);
    return true;
}

TrpRect MakeExtRect(Extended left, Extended top, Extended right, Extended bottom)
{
    return TrpRect{left, top, right, bottom};
}
