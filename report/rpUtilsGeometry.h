#pragma once
// Report rectangles and their overlap tests.

#include "Numbers.h"

class TrpComponent;

// An area in report units; the overlap tests allow 0.0001 units of touch.
class TrpRectArea {
public:
    TrpRectArea(Extended left, Extended top, Extended right, Extended bottom)
        : X(left), Y(top), X1(right), Y1(bottom)
    {
    }
    // The object's absolute rectangle.
    static TrpRectArea CreateFromView(const TrpComponent& view);
    bool InterceptsX(const TrpRectArea& other) const;
    bool InterceptsY(const TrpRectArea& other) const;
    // The horizontal overlap (Y and Y1 zero); false when there is none.
    bool InterceptsArea(const TrpRectArea& other, TrpRectArea& result) const;

    Extended X, Y, X1, Y1;
};

struct TrpRect {
    Extended Left, Top, Right, Bottom;
};
TrpRect MakeExtRect(Extended left, Extended top, Extended right, Extended bottom);
