#pragma once
// Text layout and drawing for report text objects. Text is measured in whole
// 600-dpi pixels from pinned font files, so line breaks, heights and page
// breaks are the same on screen, on paper and on every machine; drawing
// places each character at its measured position scaled to the device.

#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"
#include "Numbers.h"
#include "SizedFont.h"

// One visible character (UTF-16 unit) of a line with the attributes the tags
// gave it.
struct TrpHTMLTag {
    int Position = 0;      // 1-based place in the source line; tags count
    int Size = 0;          // points
    int AddY = 0;          // 1 for subscript
    TFontStyles Style;     // bold, italic, underline, strike-out
    TColor Color = clBlack;
    bool Default = true;   // same attributes as the character before
    bool Small = false;    // sub- or superscript size
    bool DontWrap = false; // inside a nowrap span
};
using TrpHTMLTags = std::vector<TrpHTMLTag>;

// The tag parser: b, i, u, strike, nowrap, sub, sup and font color. Its
// state runs on from one line to the next; Position restarts per line.
class TrpHTMLTagsList {
public:
    bool AllowTags = true;

    // Defaults, and the parser's state reset to them.
    void SetDefaults(TColor color, int size, TFontStyles style);
    // Splits a source line into its visible text and one tag per UTF-16 unit
    // of it. An empty line becomes a single blank with one tag. Stops after
    // maxUnits units of text; false when that left some of the line.
    bool ExpandHTMLTags(std::u16string_view line, std::u16string& text, TrpHTMLTags& tags,
                        size_t maxUnits = std::numeric_limits<size_t>::max());

    TColor DefaultColor() const { return defColor_; }
    int DefaultSize() const { return defSize_; }
    TFontStyles DefaultStyle() const { return defStyle_; }

private:
    bool tryTag(std::u16string_view tag);

    TColor defColor_ = clBlack;
    int defSize_ = 10;
    TFontStyles defStyle_;
    TColor color_ = clBlack;
    int size_ = 10;
    TFontStyles style_;
    int addY_ = 0;
    bool dontWrap_ = false;
};

// A font colour tag value: "\"#RRGGBB\"" or a colour name without "cl"
// ("red"). False when it is neither, so that the tag stays literal text.
bool ParseTagColor(std::u16string_view value, TColor& color);

// Where a Cyrillic word may be split by syllables: counts of leading
// letters. Empty for short or non-Cyrillic words.
std::vector<int> RussianSyllableBreaks(std::u16string_view word);

// One laid-out line.
struct TrpTextLine {
    std::u16string Text;          // visible characters; a blank for an empty source line
    TrpHTMLTags Tags;             // one per UTF-16 unit of Text
    std::vector<int32_t> Widths;  // 600-dpi advance per unit, spacing included
    int Flags = 0;                // 1 first line of a paragraph, 2 last line
    int SourceLine = 0;           // index of the source line
    int SourceStart = 0;          // UTF-16 range of the source line this line shows
    int SourceEnd = 0;
    bool Hyphenated = false;      // Text ends with a "-" the syllable split added
};

enum TrpHAlignment { rpHLeft = 0, rpHRight = 1, rpHCenter = 2, rpHBlock = 3 };
enum TrpVAlignment { rpVTop = 0, rpVBottom = 1, rpVCenter = 2 };

class TrpDrawText {
public:
    static constexpr int PrinterPPI = 600;
    static constexpr int ScreenPPI = 96;
    // 600-dpi pixels per report unit.
    static constexpr Extended r = Extended(PrinterPPI) / ScreenPPI;

    TrpDrawText();

    // The call order: SetFont, SetOptions, SetDimensions, SetGaps, SetText,
    // then measures or DrawText.
    void SetFont(const TFont& font);
    void SetOptions(bool wordWrap, bool allowTags, bool rtlReading, bool wordBreak, bool clipped, bool wysiwyg,
                    int rotation);
    // Bounds and clip rectangle in device pixels, and the device pixels per
    // report unit (1 for measuring in report units).
    void SetDimensions(const TRect& bounds, const TRect& clipRect, Extended scaleX = 1, Extended scaleY = 1);
    // The text area in report units, for drawing at a device scale: lines
    // then wrap exactly as they did when measured at scale 1, whatever the
    // rounding of the device rectangle. Optional; SetDimensions clears it.
    void SetWrapBox(Extended width, Extended height);
    // Each gap is held within +-kMaxGap report units.
    void SetGaps(Extended paragraphGap, Extended charSpacing, Extended lineSpacing);
    static constexpr Extended kMaxGap = 1e6L;
    // Lays the text out; lines are split at CR LF, LF or CR (a final line
    // break makes no empty line). With maxLines, only the first lines are
    // laid out (Truncated says whether text follows them), at the cost of
    // what they hold: enough to cut a long text at its bounds
    // (LinesInBounds() + 1), not to measure it.
    void SetText(std::u16string_view text, size_t maxLines = std::numeric_limits<size_t>::max());
    void SetText(std::vector<std::u16string> lines, size_t maxLines = std::numeric_limits<size_t>::max());
    bool Truncated() const { return truncated_; }
    // For a part of a memo split across pages: the first line continues a
    // paragraph (no paragraph-start flag), the last line is continued (no
    // paragraph-end flag).
    void SetParaBreaks(bool firstParaBreak, bool lastParaBreak);

    void DrawText(TCanvas& canvas, int hAlign, int vAlign = rpVTop);

    // Report units.
    Extended LineHeight() const;
    Extended CalcHeight() const;
    Extended CalcWidth() const;
    Extended UnusedSpace() const;
    // Whole lines of LineHeight() that the bounds hold.
    size_t LinesInBounds() const;

    // The source text of the lines that fit into the bounds; the rest goes to
    // `rest`, opened (when tags are on) with a font colour tag for its first
    // character and the style tags still in force. `paragraphContinues`
    // tells whether the cut fell inside a paragraph.
    std::u16string GetInBoundsText(std::u16string& rest, bool* paragraphContinues = nullptr) const;
    // The laid-out lines in source form, joined with CR LF.
    std::u16string GetWrappedText() const;

    const std::vector<TrpTextLine>& Lines() const { return lines_; }
    int Rotation() const { return rotation_; }
    int FontPixelHeight() const { return pixelSize_; }
    // Wrap widths in 600-dpi pixels: all lines, and a paragraph's first line.
    int WrapWidth() const { return wrapWidth_; }
    int FirstLineWidth() const { return firstLineWidth_; }
    // Characters the last SetText measured and looked at while wrapping: a
    // count of its work that grows with the text, never faster.
    uint64_t LayoutSteps() const { return layoutSteps_; }

    // The canvas is the printer's (see TrpPrinterCanvas).
    static bool IsPrinter(const TCanvas& canvas) { return canvas.IsPrinter(); }

private:
    // The font in a style (bold and italic count) at 600 dpi, or at a
    // device pixel size.
    const SizedFont& sized(TFontStyles style) const;
    const SizedFont& sized(TFontStyles style, int pixelSize) const;
    int32_t charWidth(char32_t ch, const TrpHTMLTag& tag) const;
    void measure(const std::u16string& text, const TrpHTMLTags& tags, std::vector<int32_t>& widths) const;
    // Wraps a source line, or a piece of it (not `whole`), into lines, up to
    // maxLines in all; false when the piece was too short to tell.
    bool wrapLine(int sourceLine, const std::u16string& text, const TrpHTMLTags& tags, bool whole, size_t maxLines);
    // How a line ends: at the end of its source line or a hard cut, at a
    // blank that the break consumes, or with a syllable hyphen.
    enum class LineEnd { Cut, Blank, Hyphen };
    void appendLine(int sourceLine, const std::u16string& text, const TrpHTMLTags& tags,
                    const std::vector<int32_t>& widths, size_t from, size_t to, LineEnd end);
    int fittingLines() const;
    struct Frame;
    // A font size in points at the device's scale, in whole pixels.
    int devicePixels(int points, Extended scale) const;
    void drawLine(TCanvas& canvas, const Frame& frame, const TrpTextLine& line, int64_t top, int hAlign);
    // Lets the working buffers go that a long text grew.
    void releaseLongBuffers();

    // Font.
    std::string fontName_ = "Arial";
    int fontSize_ = 10;
    TFontStyles fontStyle_;
    TColor fontColor_ = clBlack;
    int pixelSize_ = 83;
    mutable const ResolvedFont* resolved_[4] = {};  // by bold and italic
    mutable const SizedFont* sized_[4] = {};

    // Options, dimensions, gaps.
    bool wordWrap_ = true;
    bool rtlReading_ = false;
    bool wordBreak_ = false;
    bool clipped_ = true;
    bool wysiwyg_ = true;
    int rotation_ = 0;
    TRect bounds_{};
    TRect clipRect_{};
    Extended scaleX_ = 1;
    Extended scaleY_ = 1;
    Extended wrapBoxWidth_ = -1;  // negative: from the bounds
    Extended wrapBoxHeight_ = -1;
    Extended paragraphGap_ = 0;
    Extended charSpacing_ = 0;
    Extended lineSpacing_ = 0;

    // Layout.
    TrpHTMLTagsList tags_;
    std::vector<std::u16string> source_;
    std::vector<TrpTextLine> lines_;
    // A source line with its markup taken out, its measures, a drawn line's
    // positions and a run's advances: kept from one text to the next rather
    // than allocated for each, up to a size.
    std::u16string expanded_;
    TrpHTMLTags expandedTags_;
    std::vector<int32_t> widths_;
    std::vector<int64_t> linePos_;
    std::vector<int> runDx_;
    int wrapWidth_ = 0;
    int firstLineWidth_ = 0;
    int charSpacingPx_ = 0;
    uint64_t layoutSteps_ = 0;
    bool truncated_ = false;
};

// The shared drawer for text objects that have no report of their own, and
// its re-entrant lock (held around every set-measure-draw sequence).
TrpDrawText& DrawTextObject();
void LockDrawText();
void UnlockDrawText();

// Holds the shared drawer's lock for a scope.
class TrpDrawTextLock {
public:
    TrpDrawTextLock() { LockDrawText(); }
    ~TrpDrawTextLock() { UnlockDrawText(); }
    TrpDrawTextLock(const TrpDrawTextLock&) = delete;
    TrpDrawTextLock& operator=(const TrpDrawTextLock&) = delete;
};
