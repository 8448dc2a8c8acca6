#include "rpFrameDraw.h"

#include <algorithm>
#include <cstdlib>

#include "rpClass.h"

namespace {

// The platform's cosmetic pen patterns in device pixels: on, off, on, off...
struct Pattern {
    int count;
    int lengths[6];
};
constexpr Pattern kDash{2, {18, 6}};
constexpr Pattern kDot{2, {3, 3}};
constexpr Pattern kDashDot{4, {9, 6, 3, 6}};
constexpr Pattern kDashDotDot{6, {9, 3, 3, 3, 3, 3}};

const Pattern* patternOf(TrpFrameStyle style)
{
    switch (style) {
    case fsDash: return &kDash;
    case fsDot: return &kDot;
    case fsDashDot: return &kDashDot;
    case fsDashDotDot: return &kDashDotDot;
    default: return nullptr;
    }
}

// One side: across is the centre pixel of the line, along runs from `from`
// to `to` inclusive; interior is +1 when the inside lies at larger
// coordinates (left and top sides); the flags tell whether other sides meet
// it at its two ends.
struct Side {
    bool horizontal;
    int centre;
    int from;
    int to;
    int interior;
    bool startMeets;
    bool endMeets;
};

void fillBand(TCanvas& canvas, const Side& s, int acrossFrom, int acrossWidth, int alongFrom, int alongTo, TColor color)
{
    if (alongTo < alongFrom || acrossWidth <= 0) return;
    if (s.horizontal)
        rpFillRect(canvas, alongFrom, acrossFrom, alongTo + 1, acrossFrom + acrossWidth, color);
    else
        rpFillRect(canvas, acrossFrom, alongFrom, acrossFrom + acrossWidth, alongTo + 1, color);
}

// How far a side of this width and style reaches across its line.
int spanOf(const TrpFrameLine& line, Extended scaleX)
{
    const int w = std::max<int>(1, static_cast<int>(Round(line.Width() * scaleX)));
    return line.Style() == fsDouble ? 3 * w : w;
}

void drawSide(TCanvas& canvas, const TrpFrameLine& line, TColor viewColor, const Side& s, int startReach,
              int endReach, Extended scaleX)
{
    const TColor color = line.Color();
    const int w = std::max<int>(1, static_cast<int>(Round(line.Width() * scaleX)));
    const int a0 = s.from - startReach;
    const int a1 = s.to + endReach;
    const int across = s.centre - w / 2;
    switch (line.Style()) {
    case fsSolid: fillBand(canvas, s, across, w, a0, a1, color); return;
    case fsDouble: {
        // Outer and inner lines one width off the edge, each meeting the
        // matching line of a neighbouring side; the view's colour between.
        const int outer = s.centre - s.interior * w - w / 2;
        const int inner = s.centre + s.interior * w - w / 2;
        const int tail = w - 1 - w / 2;
        if (viewColor != clNone) fillBand(canvas, s, across, w, a0, a1, viewColor);
        fillBand(canvas, s, outer, w, s.from - (s.startMeets ? w + w / 2 : 0), s.to + (s.endMeets ? w + tail : 0), color);
        fillBand(canvas, s, inner, w, s.from + (s.startMeets ? w - w / 2 : 0), s.to - (s.endMeets ? w - tail : 0), color);
        return;
    }
    case fsAltDot:
    case fsSquare: {
        for (int at = a0; at <= a1; at += 2 * w) {
            const int end = std::min(at + w - 1, a1);
            if (line.Style() == fsAltDot && w >= 3) {
                canvas.Pen()->SetStyle(psClear);
                canvas.Brush()->SetStyle(bsSolid);
                canvas.Brush()->SetColor(color);
                if (s.horizontal)
                    canvas.Ellipse(at, across, at + w + 1, across + w + 1);
                else
                    canvas.Ellipse(across, at, across + w + 1, at + w + 1);
                canvas.Pen()->SetStyle(psSolid);
            } else {
                fillBand(canvas, s, across, w, at, end, color);
            }
        }
        return;
    }
    default: {
        const Pattern* p = patternOf(line.Style());
        if (!p) return;
        int k = 0;
        for (int at = a0; at <= a1; at += p->lengths[k], k = (k + 1) % p->count)
            if (k % 2 == 0) fillBand(canvas, s, across, w, at, std::min(at + p->lengths[k] - 1, a1), color);
        return;
    }
    }
}

}  // namespace

void rpFillRect(TCanvas& canvas, int left, int top, int right, int bottom, TColor color, TBrushStyle style)
{
    if (color == clNone || right <= left || bottom <= top) return;
    canvas.Brush()->SetStyle(style);
    canvas.Brush()->SetColor(color);
    canvas.FillRect({left, top, right, bottom});
}

void rpDrawFrame(TCanvas& canvas, const TrpFrame& frame, TColor viewColor, int X, int Y, int X1, int Y1,
                 Extended scaleX, Extended scaleY)
{
    if (frame.DropShadow()) {
        const int sx = static_cast<int>(Round(frame.ShadowWidth() * scaleX));
        const int sy = static_cast<int>(Round(frame.ShadowWidth() * scaleY));
        rpFillRect(canvas, X1, Y + sx, X1 + sx, Y1, frame.ShadowColor());
        rpFillRect(canvas, X + sy, Y1, X1 + sy, Y1 + sy, frame.ShadowColor());
    }
    const TrpFrameTyp typ = frame.Typ();
    if (typ.Empty() || frame.Color() == clNone || frame.Width() == 0) return;
    const bool left = typ.Contains(ftLeft), right = typ.Contains(ftRight);
    const bool top = typ.Contains(ftTop), bottom = typ.Contains(ftBottom);
    // How far a side reaches over the corner where another side meets it.
    auto startReach = [&](bool present, const TrpFrameLine& other) { return present ? spanOf(other, scaleX) / 2 : 0; };
    auto endReach = [&](bool present, const TrpFrameLine& other) {
        const int span = spanOf(other, scaleX);
        return present ? span - 1 - span / 2 : 0;
    };
    const TrpFrameLine& l = *frame.LeftLine();
    const TrpFrameLine& r = *frame.RightLine();
    const TrpFrameLine& t = *frame.TopLine();
    const TrpFrameLine& b = *frame.BottomLine();
    if (left)
        drawSide(canvas, l, viewColor, {false, X, Y, Y1, 1, top, bottom}, startReach(top, t), endReach(bottom, b), scaleX);
    if (right)
        drawSide(canvas, r, viewColor, {false, X1, Y, Y1, -1, top, bottom}, startReach(top, t), endReach(bottom, b),
                 scaleX);
    if (top)
        drawSide(canvas, t, viewColor, {true, Y, X, X1, 1, left, right}, startReach(left, l), endReach(right, r), scaleX);
    if (bottom)
        drawSide(canvas, b, viewColor, {true, Y1, X, X1, -1, left, right}, startReach(left, l), endReach(right, r),
                 scaleX);
}

TPenStyle rpFramePenStyle(TrpFrameStyle style)
{
    switch (style) {
    case fsDash: return psDash;
    case fsDot: return psDot;
    case fsDashDot: return psDashDot;
    case fsDashDotDot: return psDashDotDot;
    case fsAltDot: return psInsideFrame;
    default: return psSolid;
    }
}

void rpDrawThickLine(TCanvas& canvas, int x0, int y0, int x1, int y1, int w)
{
    w = std::min(w, rpMaxThickLine);
    const int n = std::max(w, 1);
    const bool flat = std::abs(x1 - x0) > std::abs(y1 - y0);
    canvas.Pen()->SetWidth(1);
    for (int d = -(w / 2); d <= n - 1 - w / 2; ++d) {
        if (flat) {
            canvas.MoveTo(x0, y0 + d);
            canvas.LineTo(x1, y1 + d);
        } else {
            canvas.MoveTo(x0 + d, y0);
            canvas.LineTo(x1 + d, y1);
        }
    }
}
