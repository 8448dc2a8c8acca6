#pragma once
// What the preview's search reads of a page: the text runs the page draws,
// in drawing order, each with its bounds at scale 1. Nothing is rasterised;
// to the page drawing it is a recording canvas, so every object counts as
// visible.

#include <string>
#include <string_view>
#include <vector>

#include "RecordingCanvas.h"

class TrpSearchCanvas : public TRecordingCanvas {
public:
    struct Run {
        std::u16string Text;
        TRect Bounds;
    };

    const std::vector<Run>& Runs() const { return runs_; }
    void Clear() { runs_.clear(); }

    // The first run after `after` (an index, -1 for the start) that holds
    // the text; -1 when none does. An empty text is found nowhere; case is
    // compared by Unicode rules unless CaseSensitive.
    int FindAfter(int after, std::u16string_view text, bool caseSensitive) const;

    void Polyline(std::span<const TPoint>) override {}
    void Polygon(std::span<const TPoint>) override {}
    void Rectangle(int, int, int, int) override {}
    void RoundRect(int, int, int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void FillRect(const TRect&) override {}
    void StretchDraw(const TRect&, const QImage&) override {}
    void SetPixel(int, int, TColor) override {}
    std::optional<TRect> ClipRect() const override { return clip_; }
    void SetClipRect(const std::optional<TRect>& rect) override { clip_ = rect; }
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                    std::span<const int> dx = {}) override;

private:
    std::vector<Run> runs_;
    std::optional<TRect> clip_;
};
