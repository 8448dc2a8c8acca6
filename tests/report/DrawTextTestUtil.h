#pragma once
// Fonts and layouts as text objects set them up, for the text drawer tests.

#include "rpGraphicUtils.h"

namespace drawtext_test {

struct FontSpec {
    std::string name = "Arial";
    int size = 10;
    TColor color = clBlack;
    TFontStyles style;
};

inline FontSpec makeFont(const std::string& name = "Arial", int size = 10, TColor color = clBlack, TFontStyles style = {})
{
    return {name, size, color, style};
}

inline void applyFont(TrpDrawText& d, const FontSpec& wanted)
{
    TFont font;
    font.SetName(wanted.name);
    font.SetSize(wanted.size);
    font.SetColor(wanted.color);
    font.SetStyle(wanted.style);
    d.SetFont(font);
}

struct Options {
    bool wordWrap = true;
    bool tags = true;
    bool rtl = false;
    bool wordBreak = false;
    bool clipped = true;
    bool wysiwyg = true;
    int rotation = 0;
    Extended paragraphGap = 0;
    Extended charSpacing = 0;
    Extended lineSpacing = 2;
};

// A layout as a memo makes it: font, options, a box of report units at
// scale 1, gaps, text.
inline void layout(TrpDrawText& d, std::u16string_view text, int width, int height = 1000,
                   const FontSpec& font = makeFont(), const Options& o = {})
{
    applyFont(d, font);
    d.SetOptions(o.wordWrap, o.tags, o.rtl, o.wordBreak, o.clipped, o.wysiwyg, o.rotation);
    const TRect box{0, 0, width, height};
    d.SetDimensions(box, box);
    d.SetGaps(o.paragraphGap, o.charSpacing, o.lineSpacing);
    d.SetText(text);
}

}  // namespace drawtext_test
