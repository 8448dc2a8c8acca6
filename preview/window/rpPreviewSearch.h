#pragma once
// What the preview's search reads of a page: the text runs the page draws,
// in drawing order, each with its bounds at scale 1. Nothing is rasterised;
// to the page drawing it is a recording canvas, so every object counts as
// visible. A text wrapped onto several lines is drawn a run a line (or
// more, where its style changes): runs drawn one after the other on the
// same line, or on the line right below, are read as one text, so that
// what a line break cut apart is found.

#include <string>
#include <string_view>
#include <vector>

#include "RecordingCanvas.h"

class TrpSearchCanvas : public TRecordingCanvas {
public:
    struct Run {
        std::u16string Text;
        TRect Bounds;
        std::vector<int> Advances;  // one a UTF-16 unit
    };
    struct Hit {
        int Run = -1;  // the run the text starts in; -1 not found
        // The runs' parts the text covers, one a run: a text within one run
        // is that run's bounds.
        std::vector<TRect> Parts;
    };

    const std::vector<Run>& Runs() const { return runs_; }
    void Clear();

    // The first text after run `after` (an index, -1 for the start) that
    // starts in a run; a blank of the text may stand for a line break.
    // An empty text is found nowhere; case is compared by Unicode rules
    // unless CaseSensitive.
    Hit Find(int after, std::u16string_view text, bool caseSensitive) const;
    int FindAfter(int after, std::u16string_view text, bool caseSensitive) const
    {
        return Find(after, text, caseSensitive).Run;
    }

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
    // How a run goes on from the one before.
    enum class Join { None, SameLine, NextLine };
    // lineLeft: where the line of the run before starts.
    Join joinOf(size_t i, int lineLeft) const;
    const std::vector<Join>& joins() const;
    // Whether the text matches at `at` of the joined text; `breaks` says
    // where lines meet. End gets where the match ends.
    static bool matchAt(std::u16string_view joined, const std::vector<bool>& breaks, size_t at,
                        std::u16string_view text, bool caseSensitive, size_t* end);
    TRect part(size_t run, size_t from, size_t to) const;

    std::vector<Run> runs_;
    std::optional<TRect> clip_;
    mutable std::vector<Join> joins_;  // for runs_, made when first asked
};
