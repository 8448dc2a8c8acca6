// Drawing the laid-out lines of TrpDrawText on a canvas.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "CodePages.h"
#include "rpGraphicUtils.h"

namespace {

// Adds `units` single units to slots[from, to), spread by recursive halving:
// the middle slot first, then each half its share.
void spreadUnits(std::vector<int64_t>& slots, size_t from, size_t to, int64_t units, int sign)
{
    if (units <= 0 || from >= to) return;
    const size_t count = to - from;
    if (static_cast<size_t>(units) >= count) {
        for (size_t i = from; i < to; ++i) slots[i] += sign;
        return;
    }
    const size_t middle = from + count / 2;
    slots[middle] += sign;
    --units;
    spreadUnits(slots, from, middle, units / 2, sign);
    spreadUnits(slots, middle + 1, to, units - units / 2, sign);
}

// Splits an amount of device units over `count` slots evenly.
std::vector<int64_t> spreadEvenly(int64_t amount, size_t count)
{
    std::vector<int64_t> slots(count, 0);
    if (count == 0) return slots;
    const int64_t each = amount / static_cast<int64_t>(count);
    std::fill(slots.begin(), slots.end(), each);
    const int64_t rest = amount - each * static_cast<int64_t>(count);
    spreadUnits(slots, 0, count, rest < 0 ? -rest : rest, rest < 0 ? -1 : 1);
    return slots;
}

bool sameRun(const TrpHTMLTag& a, const TrpHTMLTag& b)
{
    return a.Style == b.Style && a.Color == b.Color && a.Size == b.Size && a.AddY == b.AddY;
}

// The canvas font and angle, put back when drawing ends.
class SavedFont {
public:
    explicit SavedFont(TCanvas& canvas)
        : canvas_(canvas),
          name_(canvas.Font()->Name()),
          height_(canvas.Font()->Height()),
          style_(canvas.Font()->Style()),
          color_(canvas.Font()->Color()),
          escapement_(canvas.FontEscapement())
    {
    }
    ~SavedFont()
    {
        canvas_.Font()->SetName(name_);
        canvas_.Font()->SetHeight(height_);
        canvas_.Font()->SetStyle(style_);
        canvas_.Font()->SetColor(color_);
        canvas_.SetFontEscapement(escapement_);
    }

private:
    TCanvas& canvas_;
    std::string name_;
    int height_;
    TFontStyles style_;
    TColor color_;
    int escapement_;
};

}  // namespace

// Geometry of one DrawText call: the text's own frame (u along the lines, v
// across them) in a box of the bounds turned by the rotation about their
// centre, and the device scales along and across the lines.
struct TrpDrawText::Frame {
    Extended boxWidth = 0;
    Extended boxHeight = 0;
    Extended centreX = 0;
    Extended centreY = 0;
    Extended cosA = 1;
    Extended sinA = 0;
    Extended along = 1;   // device pixels per report unit along the lines
    Extended across = 1;  // and across them
    TRect bounds{};

    // The part of the frame the device shows, grown by a margin for glyphs
    // that reach out of their cells.
    Extended uMin = 0, uMax = 0, vMin = 0, vMax = 0;

    TPoint map(Extended u, Extended v) const
    {
        if (sinA == 0 && cosA == 1) return {ClampCoordinate(bounds.Left + Round(u)), ClampCoordinate(bounds.Top + Round(v))};
        const Extended du = u - boxWidth / 2, dv = v - boxHeight / 2;
        return {ClampCoordinate(Round(centreX + du * cosA + dv * sinA)), ClampCoordinate(Round(centreY - du * sinA + dv * cosA))};
    }

    // The frame's extent of a device rectangle, the inverse of map.
    void setVisible(const TRect& area, Extended margin)
    {
        uMin = vMin = std::numeric_limits<Extended>::max();
        uMax = vMax = std::numeric_limits<Extended>::lowest();
        for (const Extended x : {Extended(area.Left), Extended(area.Right)})
            for (const Extended y : {Extended(area.Top), Extended(area.Bottom)}) {
                Extended u = x - bounds.Left, v = y - bounds.Top;
                if (!(sinA == 0 && cosA == 1)) {
                    const Extended dx = x - centreX, dy = y - centreY;
                    u = dx * cosA - dy * sinA + boxWidth / 2;
                    v = dx * sinA + dy * cosA + boxHeight / 2;
                }
                uMin = std::min(uMin, u - margin);
                uMax = std::max(uMax, u + margin);
                vMin = std::min(vMin, v - margin);
                vMax = std::max(vMax, v + margin);
            }
    }
    bool showsAlong(int64_t from, int64_t to) const { return std::max(from, to) >= uMin && std::min(from, to) <= uMax; }
    bool showsAcross(int64_t from, int64_t to) const { return std::max(from, to) >= vMin && std::min(from, to) <= vMax; }
};

int TrpDrawText::devicePixels(int points, Extended scale) const
{
    const Extended px = FontPixelSize(points, PrinterPPI) * scale / r;
    return std::isfinite(px) ? ClampToInt32(Round(std::clamp<Extended>(px, INT32_MIN, INT32_MAX))) : 0;
}

void TrpDrawText::DrawText(TCanvas& canvas, int hAlign, int vAlign)
{
    if (lines_.empty() || pixelSize_ <= 0) return;
    const bool sideways = (rotation_ >= 90 && rotation_ < 180) || rotation_ >= 270;
    Frame frame;
    frame.bounds = bounds_;
    frame.boxWidth = sideways ? bounds_.Height() : bounds_.Width();
    frame.boxHeight = sideways ? bounds_.Width() : bounds_.Height();
    frame.centreX = (bounds_.Left + bounds_.Right) / 2.0L;
    frame.centreY = (bounds_.Top + bounds_.Bottom) / 2.0L;
    frame.along = sideways ? scaleY_ : scaleX_;
    frame.across = sideways ? scaleX_ : scaleY_;
    if (rotation_ % 90 == 0) {
        static constexpr int cosines[] = {1, 0, -1, 0}, sines[] = {0, 1, 0, -1};
        frame.cosA = cosines[rotation_ / 90];
        frame.sinA = sines[rotation_ / 90];
    } else {
        const Extended radians = rotation_ * std::numbers::pi_v<Extended> / 180;
        frame.cosA = std::cos(radians);
        frame.sinA = std::sin(radians);
    }

    // Line tops: whole steps; with Wysiwyg the block keeps its 600-dpi height,
    // the difference spread over the gaps between lines.
    const size_t n = lines_.size();
    const Extended h = LineHeight();
    const int64_t step = Round(h * frame.across);
    std::vector<int64_t> tops(n, 0);
    std::vector<int64_t> extra(n > 1 ? n - 1 : 0, 0);
    if (wysiwyg_ && n > 1)
        extra = spreadEvenly(Round(static_cast<Extended>(n) * h * frame.across) - static_cast<int64_t>(n) * step, n - 1);
    for (size_t k = 1; k < n; ++k) tops[k] = tops[k - 1] + step + extra[k - 1];
    const int64_t blockHeight = tops[n - 1] + step;
    const int64_t free = Round(frame.boxHeight) - blockHeight;
    const int64_t offset = vAlign == rpVBottom ? free : vAlign == rpVCenter ? free / 2 : 0;

    // Only what the device can show is laid into glyph runs: the clip
    // rectangle, the canvas's clip and, with neither, the largest paper
    // around the box.
    const Extended largestPaper = 200 * ScreenPPI * std::max(scaleX_, scaleY_);  // 5,080 mm
    const int64_t reach = std::isfinite(largestPaper) ? static_cast<int64_t>(std::min<Extended>(largestPaper, kMaxCoordinate)) : kMaxCoordinate;
    TRect area = clipped_ ? clipRect_
                          : TRect{ClampCoordinate(bounds_.Left - reach), ClampCoordinate(bounds_.Top - reach),
                                  ClampCoordinate(bounds_.Right + reach), ClampCoordinate(bounds_.Bottom + reach)};
    if (const std::optional<TRect> clip = canvas.ClipRect()) area = IntersectRect(area, *clip);
    if (area.IsEmpty()) return;
    frame.setVisible(area, 2 * devicePixels(fontSize_, frame.across) + 2);

    SavedFont saved(canvas);
    canvas.Font()->SetName(fontName_);
    canvas.SetFontEscapement(rotation_ * 10);
    // Lines far less than a pixel apart (a line spacing of nearly minus the
    // font) print over one another: a few of them at one place show it all.
    constexpr int kLinesAtOnePlace = 16;
    int atThisPlace = 0;
    for (size_t k = 0; k < n; ++k) {
        atThisPlace = k > 0 && tops[k] == tops[k - 1] ? atThisPlace + 1 : 0;
        if (atThisPlace < kLinesAtOnePlace && frame.showsAcross(offset + tops[k], offset + tops[k] + step))
            drawLine(canvas, frame, lines_[k], offset + tops[k], hAlign);
    }
    releaseLongBuffers();
}

void TrpDrawText::drawLine(TCanvas& canvas, const Frame& frame, const TrpTextLine& line, int64_t top, int hAlign)
{
    const size_t count = line.Text.size();
    if (count == 0) return;

    // Positions of the characters along the line, in device pixels; 64 bits,
    // as huge spacings may run them far off the device.
    std::vector<int64_t>& pos = linePos_;
    pos.assign(count + 1, 0);
    if (wysiwyg_) {
        int64_t sum = 0;
        for (size_t i = 0; i < count; ++i) {
            sum += line.Widths[i];
            pos[i + 1] = Round(sum * frame.along / r);
        }
    } else {
        const int64_t spacing = Round(charSpacing_ * frame.along);
        const int px = devicePixels(fontSize_, frame.across);
        for (size_t i = 0, units = 1; i < count; i += units) {
            const TrpHTMLTag& tag = line.Tags[i];
            int64_t w = sized(tag.Style, px).advance(CodePointAt(line.Text, i, &units)) + spacing;
            if (tag.Small) w = Round(w / 1.5L);
            pos[i + 1] = pos[i] + w;
            if (units == 2) pos[i + 2] = pos[i + 1];
        }
    }
    const int64_t width = pos[count];

    int align = hAlign;
    if (align == rpHBlock && (line.Flags & 2)) align = rtlReading_ ? rpHRight : rpHLeft;
    const int64_t boxWidth = Round(frame.boxWidth);
    const int64_t indent = ((line.Flags & 1) && (hAlign == rpHLeft || hAlign == rpHBlock)) ? Round(paragraphGap_ * frame.along) : 0;
    int64_t x = indent;
    if (align == rpHRight) x = boxWidth - width;
    if (align == rpHCenter) x = (boxWidth - width) / 2;
    if (align == rpHBlock && boxWidth - indent - width > 0) {
        // The free width goes to the blanks, or between the characters of a
        // line without one.
        std::vector<size_t> gaps;
        for (size_t i = 0; i < count; ++i)
            if (line.Text[i] == u' ' || line.Text[i] == u'\u00A0') gaps.push_back(i);
        if (gaps.empty())
            for (size_t i = 0, units = 1; i + 1 < count; i += units) {
                CodePointAt(line.Text, i, &units);
                if (i + units < count) gaps.push_back(i + units - 1);
            }
        const std::vector<int64_t> add = spreadEvenly(boxWidth - indent - width, gaps.size());
        std::vector<int64_t> shift(count + 1, 0);
        for (size_t g = 0; g < gaps.size(); ++g) shift[gaps[g] + 1] += add[g];
        for (size_t i = 1; i <= count; ++i) shift[i] += shift[i - 1];
        for (size_t i = 0; i <= count; ++i) pos[i] += shift[i];
    }

    const unsigned options = (rtlReading_ ? ETO_RTLREADING : 0) | (clipped_ ? ETO_CLIPPED : 0);
    const int fullPixels = devicePixels(fontSize_, frame.across);
    const SizedFont& full = sized({}, fullPixels);
    std::vector<int>& dx = runDx_;
    // A character is drawn where the device shows it; the second unit of a
    // surrogate pair goes with the first.
    auto shows = [&](size_t i) {
        size_t units = 1;
        if (i > 0 && (CodePointAt(line.Text, i - 1, &units), units == 2)) --i;
        CodePointAt(line.Text, i, &units);
        return frame.showsAlong(x + pos[i], x + pos[i + units]);
    };
    for (size_t start = 0; start < count;) {
        if (!shows(start)) {
            ++start;
            continue;
        }
        size_t end = start + 1;
        while (end < count && sameRun(line.Tags[end], line.Tags[start]) && shows(end)) ++end;
        const TrpHTMLTag& tag = line.Tags[start];
        const int px = tag.Small ? devicePixels(tag.Size, frame.across) : fullPixels;
        int dy = 0;
        if (tag.Small) {
            // Superscript hangs from the line top; subscript sits a quarter of
            // its size below the baseline.
            const SizedFont& small = sized({}, px);
            if (tag.AddY) dy = full.ascent() - small.ascent() + static_cast<int>(Round(px / 4.0L));
        }
        canvas.Font()->SetHeight(-px);
        canvas.Font()->SetStyle(tag.Style);
        canvas.Font()->SetColor(tag.Color);
        dx.assign(end - start, 0);
        for (size_t i = start; i < end; ++i) dx[i - start] = ClampCoordinate(pos[i + 1] - pos[i]);
        const TPoint origin = frame.map(static_cast<Extended>(x + pos[start]), static_cast<Extended>(top + dy));
        canvas.ExtTextOut(origin.X, origin.Y, options, &clipRect_,
                          std::u16string_view(line.Text).substr(start, end - start), dx);
        start = end;
    }
}
