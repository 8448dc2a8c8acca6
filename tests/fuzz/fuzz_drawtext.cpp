// The text drawer with its tag parser: the input's first line sets the
// drawer's options as "key=value" words (wrap, tags, rtl, wordbreak, clip,
// wysiwyg, rot, para, char, line, width, height, scale, font, size, bold,
// italic, align, valign); the rest is the text, tags and all. It is laid
// out, measured, cut at its bounds and drawn.
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <string>

#include "CodePages.h"
#include "CoreClasses.h"
#include "Exceptions.h"
#include "FuzzGui.h"
#include "Graphics.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpGraphicUtils.h"

namespace {

struct Options {
    bool wrap = true, tags = true, rtl = false, wordBreak = false, clip = true, wysiwyg = true, bold = false,
         italic = false;
    int rotation = 0, align = 0, valign = 0, size = 10;
    Extended para = 0, charSpacing = 0, line = 2, width = 200, height = 100, scale = 1;
    std::string font = "Arial";
};

Extended number(std::string_view text, Extended fallback)
{
    Extended v = 0;
    return TryStrToFloat(text, v) ? v : fallback;
}

// An option that must fit an int: held to a range before it is converted.
int whole(std::string_view text, int fallback, int low, int high)
{
    return static_cast<int>(std::clamp<Extended>(number(text, fallback), low, high));
}

Options parse(std::string_view head)
{
    Options o;
    size_t at = 0;
    while (at < head.size()) {
        size_t end = head.find(' ', at);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view word = head.substr(at, end - at);
        at = end + 1;
        const size_t eq = word.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = word.substr(0, eq), value = word.substr(eq + 1);
        const bool on = value == "1";
        if (key == "wrap") o.wrap = on;
        else if (key == "tags") o.tags = on;
        else if (key == "rtl") o.rtl = on;
        else if (key == "wordbreak") o.wordBreak = on;
        else if (key == "clip") o.clip = on;
        else if (key == "wysiwyg") o.wysiwyg = on;
        else if (key == "bold") o.bold = on;
        else if (key == "italic") o.italic = on;
        else if (key == "rot") o.rotation = whole(value, 0, -100000, 100000);
        else if (key == "align") o.align = whole(value, 0, 0, 3);
        else if (key == "valign") o.valign = whole(value, 0, 0, 2);
        else if (key == "size") o.size = whole(value, 10, -2000, 2000);
        else if (key == "para") o.para = number(value, 0);
        else if (key == "char") o.charSpacing = number(value, 0);
        else if (key == "line") o.line = number(value, 2);
        else if (key == "width") o.width = std::clamp<Extended>(number(value, 200), -1e6L, 1e6L);
        else if (key == "height") o.height = std::clamp<Extended>(number(value, 100), -1e6L, 1e6L);
        else if (key == "scale") o.scale = std::clamp<Extended>(number(value, 1), 0.01L, 10);
        else if (key == "font") o.font = std::string(value);
    }
    return o;
}

}  // namespace

FUZZ_START(fuzz_support::startCanvasTarget())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 16384) return 0;
    const std::string_view input = fuzz_support::bytes(data, size);
    const size_t newline = input.find('\n');
    const Options o = parse(input.substr(0, newline));
    const std::u16string text = Utf8ToUtf16(newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1));

    TFont font;
    font.SetName(o.font);
    font.SetSize(o.size);
    TFontStyles style;
    if (o.bold) style.Include(fsBold);
    if (o.italic) style.Include(fsItalic);
    font.SetStyle(style);
    const int w = static_cast<int>(o.width), h = static_cast<int>(o.height);
    TrpDrawText drawer;
    drawer.SetFont(font);
    drawer.SetOptions(o.wrap, o.tags, o.rtl, o.wordBreak, o.clip, o.wysiwyg, o.rotation);
    drawer.SetDimensions({0, 0, w, h}, {0, 0, w, h});
    drawer.SetGaps(o.para, o.charSpacing, o.line);
    drawer.SetText(text);
    drawer.CalcHeight();
    drawer.CalcWidth();
    drawer.UnusedSpace();
    std::u16string rest;
    const std::u16string fits = drawer.GetInBoundsText(rest);
    drawer.GetWrappedText();
    // Laid out only as far as the bounds, the text is cut where it was.
    drawer.SetText(text, drawer.LinesInBounds() + 1);
    std::u16string partRest;
    const std::u16string partFits = drawer.GetInBoundsText(partRest);
    FUZZ_CHECK(partFits == fits && partRest == rest, "the text is cut elsewhere when laid out only to its bounds");

    // Drawn at a device scale into a small image, as a preview page would.
    QImage image(64, 64, QImage::Format_RGB32);
    TQtCanvas canvas(image);
    const int dw = static_cast<int>(o.width * o.scale), dh = static_cast<int>(o.height * o.scale);
    drawer.SetFont(font);
    drawer.SetOptions(o.wrap, o.tags, o.rtl, o.wordBreak, o.clip, o.wysiwyg, o.rotation);
    drawer.SetDimensions({0, 0, dw, dh}, {0, 0, 64, 64}, o.scale, o.scale);
    drawer.SetWrapBox(o.width, o.height);
    drawer.SetGaps(o.para, o.charSpacing, o.line);
    drawer.SetText(text);
    drawer.DrawText(canvas, o.align, o.valign);
    return 0;
}
