#include "Graphics.h"

#include <iterator>

#include "SysUtils.h"

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

// The platform's colour identifiers; a value with two names answers the first.
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

// The classic desktop scheme, indexed by system colour number, so that a
// system colour draws the same on every machine.
constexpr int32_t kSystemColors[] = {
    0xC8D0D4,  // scroll bar
    0xA56E3A,  // background
    0x6A240A,  // active caption
    0x808080,  // inactive caption
    0xC8D0D4,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC8D0D4,  // active border
    0xC8D0D4,  // inactive border
    0x808080,  // application workspace
    0x6A240A,  // highlight
    0xFFFFFF,  // highlight text
    0xC8D0D4,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC8D0D4,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3D dark shadow
    0xC8D0D4,  // 3D light
    0x000000,  // info text
    0xE1FFFF,  // info background
    0x000000,  // (unused)
    0x800000,  // hot light
    0xF0CAA6,  // gradient active caption
    0xC0C0C0,  // gradient inactive caption
    0xC56A31,  // menu highlight
    0xC8D0D4,  // menu bar
};

}  // namespace

bool ColorToIdent(TColor color, std::string& ident)
{
    for (const ColorName& c : kColorNames) {
        if (c.color == color) {
            ident = c.name;
            return true;
        }
    }
    return false;
}

void GetColorValues(const std::function<void(const std::string&)>& proc)
{
    for (const ColorName& c : kColorNames) proc(c.name);
}

bool IdentToColor(std::string_view ident, TColor& color)
{
    for (const ColorName& c : kColorNames) {
        if (SameText(c.name, ident)) {
            color = c.color;
            return true;
        }
    }
    return false;
}

std::string ColorToString(TColor color)
{
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    std::string text = "$";
    text += IntToHex(static_cast<uint32_t>(color), 8);
    return text;
}

TColor StringToColor(std::string_view text)
{
    TColor color;
    if (IdentToColor(text, color)) return color;
    int64_t value = 0;
    if (!TryStrToInt64(text, value)) StrToInt(text);  // raises the platform's error
    // Eight hexadecimal digits may carry the sign bit ($FF00000F).
    if (value < INT32_MIN || value > static_cast<int64_t>(UINT32_MAX)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    }
    return static_cast<TColor>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

TColor ColorToRGB(TColor color)
{
    if (color >= 0) return color;
    const auto index = static_cast<size_t>(color & 0xFF);
    return static_cast<TColor>(index < std::size(kSystemColors) ? kSystemColors[index] : 0);
}

// ---------------------------------------------------------------- TGraphicsObject

void TGraphicsObject::Changed()
{
    if (OnChange) OnChange(this);
}

namespace {

// Sets a field and reports whether it changed.
template <class T>
bool update(T& field, const T& value)
{
    if (field == value) return false;
    field = value;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TFont

TFont::~TFont() = default;

void TFont::Assign(const TPersistent* source)
{
    const auto* font = dynamic_cast<const TFont*>(source);
    if (!font) {
        TGraphicsObject::Assign(source);
        return;
    }
    // Across resolutions the point size is what stays.
    const int32_t height =
        font->pixelsPerInch_ == pixelsPerInch_ ? font->height_ : heightOf(font->Size(), pixelsPerInch_);
    bool changed = update(name_, font->name_);
    changed |= update(height_, height);
    changed |= update(style_, font->style_);
    changed |= update(color_, font->color_);
    changed |= update(charset_, font->charset_);
    changed |= update(pitch_, font->pitch_);
    if (changed) Changed();
}

void TFont::SetName(const std::string& value)
{
    if (!value.empty() && update(name_, value)) Changed();
}

// Heights and sizes from a file may be anything: the conversions saturate.
int32_t TFont::Size() const noexcept { return MulDivClamped(-static_cast<int64_t>(height_), 72, pixelsPerInch_); }

int32_t TFont::heightOf(int32_t size, int32_t pixelsPerInch)
{
    return ClampToInt32(-MulDiv64(size, pixelsPerInch, 72));
}

void TFont::SetSize(int32_t value) { SetHeight(heightOf(value, pixelsPerInch_)); }

void TFont::SetHeight(int32_t value)
{
    if (update(height_, value)) Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (update(style_, value)) Changed();
}

void TFont::SetColor(TColor value)
{
    if (update(color_, value)) Changed();
}

void TFont::SetCharset(TFontCharset value)
{
    if (update(charset_, value)) Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (update(pitch_, value)) Changed();
}

void TFont::Publish(TClassBuilder<TFont>& b)
{
    b.property("Charset", &TFont::Charset, &TFont::SetCharset);
    b.property("Color", &TFont::Color, &TFont::SetColor);
    b.property("Height", &TFont::Height, &TFont::SetHeight);
    b.property("Name", &TFont::Name, &TFont::SetName);
    b.property("Pitch", &TFont::Pitch, &TFont::SetPitch).defaultValue(fpDefault);
    b.property("Size", &TFont::Size, &TFont::SetSize).stored(false);
    b.property("Style", &TFont::Style, &TFont::SetStyle);
}

// ---------------------------------------------------------------- TPen

TPen::~TPen() = default;

void TPen::Assign(const TPersistent* source)
{
    const auto* pen = dynamic_cast<const TPen*>(source);
    if (!pen) {
        TGraphicsObject::Assign(source);
        return;
    }
    bool changed = update(color_, pen->color_);
    changed |= update(mode_, pen->mode_);
    changed |= update(style_, pen->style_);
    changed |= update(width_, pen->width_);
    if (changed) Changed();
}

void TPen::SetColor(TColor value)
{
    if (update(color_, value)) Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (update(mode_, value)) Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (update(style_, value)) Changed();
}

void TPen::SetWidth(int32_t value)
{
    if (value >= 0 && update(width_, value)) Changed();
}

void TPen::Publish(TClassBuilder<TPen>& b)
{
    b.property("Color", &TPen::Color, &TPen::SetColor).defaultValue(clBlack);
    b.property("Mode", &TPen::Mode, &TPen::SetMode).defaultValue(pmCopy);
    b.property("Style", &TPen::Style, &TPen::SetStyle).defaultValue(psSolid);
    b.property("Width", &TPen::Width, &TPen::SetWidth).defaultValue(1);
}

// ---------------------------------------------------------------- TBrush

TBrush::~TBrush() = default;

void TBrush::Assign(const TPersistent* source)
{
    const auto* brush = dynamic_cast<const TBrush*>(source);
    if (!brush) {
        TGraphicsObject::Assign(source);
        return;
    }
    bool changed = update(color_, brush->color_);
    changed |= update(style_, brush->style_);
    if (changed) Changed();
}

void TBrush::SetColor(TColor value)
{
    bool changed = update(color_, value);
    if (style_ == bsClear) changed |= update(style_, bsSolid);
    if (changed) Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (update(style_, value)) Changed();
}

void TBrush::Publish(TClassBuilder<TBrush>& b)
{
    b.property("Color", &TBrush::Color, &TBrush::SetColor).defaultValue(clWhite);
    b.property("Style", &TBrush::Style, &TBrush::SetStyle).defaultValue(bsSolid);
}
