#pragma once
// Report fonts resolve to pinned font files, never to whatever the machine's
// font configuration prefers: text must measure the same on a developer's
// machine, in CI and on a user's desktop. Latin faces have no ideographs, so
// every resolved font carries a CJK face that serves the characters its
// primary face lacks.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct FT_FaceRec_;

// One face of one font file, opened with FreeType for its design-unit data.
// Faces live as long as the process; FontFace::Open hands out shared ones.
class FontFace {
public:
    // nullptr when the file is missing or holds no scalable sfnt face.
    static const FontFace* Open(const std::string& fileName, int faceIndex);

    const std::string& fileName() const { return fileName_; }
    int faceIndex() const { return faceIndex_; }
    const std::string& familyName() const { return familyName_; }
    const std::string& styleName() const { return styleName_; }
    const std::string& postscriptName() const { return postscriptName_; }
    int unitsPerEm() const { return unitsPerEm_; }
    // Vertical metrics in design units: OS/2 usWinAscent/usWinDescent, the
    // cell that top-aligned text output uses; underline from the post
    // table, strike-out from OS/2 (positions above the baseline).
    int winAscent() const { return winAscent_; }
    int winDescent() const { return winDescent_; }
    int underlinePosition() const { return underlinePosition_; }
    int underlineThickness() const { return underlineThickness_; }
    int strikeoutPosition() const { return strikeoutPosition_; }
    int strikeoutSize() const { return strikeoutSize_; }
    // The weight the face was drawn at (OS/2 usWeightClass, 400 regular,
    // 700 bold) and whether it leans: what it brings of a style by itself.
    int weight() const { return weight_; }
    bool italic() const { return italic_; }
    // The box a glyph's outline lies in, in design units from its origin on
    // the baseline, y up; empty for a glyph without outline. Kept once read.
    struct GlyphBox {
        int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    };
    GlyphBox glyphBox(uint32_t glyph) const;
    // The box every glyph of the face lies in (the head table's).
    GlyphBox bbox() const { return bbox_; }

    // 0 when the face has no glyph for the character.
    uint32_t glyphIndex(char32_t ch) const;
    // Advance of a glyph in design units, unhinted and unscaled.
    int designAdvance(uint32_t glyph) const;
    // The bytes of an sfnt table ('maxp' is 0x6D617870); empty when absent.
    std::string table(uint32_t tag) const;

    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace();

private:
    FontFace() = default;

    FT_FaceRec_* face_ = nullptr;
    std::string fileName_;
    std::string familyName_;
    std::string styleName_;
    std::string postscriptName_;
    int faceIndex_ = 0;
    int unitsPerEm_ = 1000;
    int winAscent_ = 0;
    int winDescent_ = 0;
    int underlinePosition_ = 0;
    int underlineThickness_ = 0;
    int strikeoutPosition_ = 0;
    int strikeoutSize_ = 0;
    GlyphBox bbox_;
    int weight_ = 400;
    bool italic_ = false;
    mutable std::vector<GlyphBox> boxes_;
    mutable std::vector<bool> boxRead_;
    // Glyph indexes by character, 256 characters a block, read on first
    // use (every character drawn is looked up).
    mutable std::vector<std::unique_ptr<uint32_t[]>> indexBlocks_;
};

// A face together with the styling we add to it ourselves.
struct FontChoice {
    const FontFace* face = nullptr;
    // Emboldened by us (the face is lighter than bold): one extra pixel of
    // advance per character at any pixel size, as simulated bold has on the
    // platform.
    bool syntheticBold = false;
    // Slanted by us; advances do not change.
    bool syntheticItalic = false;
};

// Which face serves a character, and its glyph there.
struct GlyphSource {
    uint32_t index = 0;
    uint8_t source = 0;  // 0 primary face, 1 CJK fallback face
};

// A font name and style resolved to faces.
class ResolvedFont {
public:
    const std::string& name() const { return name_; }
    bool bold() const { return bold_; }
    bool italic() const { return italic_; }
    const FontChoice& primary() const { return primary_; }
    // The CJK face for characters the primary face lacks; its face is
    // nullptr when none is installed.
    const FontChoice& fallback() const { return fallback_; }
    const FontChoice& choice(uint8_t source) const { return source ? fallback_ : primary_; }

    // C0 control characters (a tab in a memo, say) take the blank's glyph.
    // A character neither face has takes the primary face's missing glyph.
    GlyphSource lookup(char32_t ch) const;

private:
    friend const ResolvedFont& ResolveFont(std::string_view, bool, bool);
    std::string name_;
    bool bold_ = false;
    bool italic_ = false;
    FontChoice primary_;
    FontChoice fallback_;
};

// The font for a name as reports spell it ("Arial", "宋体", "SimSun"...), with
// bold and italic. Names are matched ignoring case and surrounding blanks.
// Names outside the substitution table go through fontconfig (language
// zh-cn) and are logged once; an empty name is Arial. The result lives as long
// as the process. Raises Exception when not even the default font file can
// be opened.
const ResolvedFont& ResolveFont(std::string_view name, bool bold, bool italic);

// The pinned file behind a name of the substitution table (regular style),
// or "" for names outside it. For tests and diagnostics.
std::string PinnedFontFile(std::string_view name, bool bold = false, bool italic = false);
