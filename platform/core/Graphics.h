#pragma once
// The platform's graphics data classes without any drawing: colours, fonts,
// pens and brushes. The canvas layer (platform/gui) draws with them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Classes.h"

// A colour: red in bits 0-7, green 8-15, blue 16-23 (stored blue-green-red).
// System colours are FF000000 plus the system colour index; clNone and
// clDefault are markers. An enumeration so that properties know their type
// name; other values are written TColor(0x123456).
enum TColor : int32_t {
    clBlack = 0x000000,
    clMaroon = 0x000080,
    clGreen = 0x008000,
    clOlive = 0x008080,
    clNavy = 0x800000,
    clPurple = 0x800080,
    clTeal = 0x808000,
    clGray = 0x808080,
    clSilver = 0xC0C0C0,
    clRed = 0x0000FF,
    clLime = 0x00FF00,
    clYellow = 0x00FFFF,
    clBlue = 0xFF0000,
    clFuchsia = 0xFF00FF,
    clAqua = 0xFFFF00,
    clLtGray = 0xC0C0C0,
    clDkGray = 0x808080,
    clWhite = 0xFFFFFF,
    clMoneyGreen = 0xC0DCC0,
    clSkyBlue = 0xF0CAA6,
    clCream = 0xF0FBFF,
    clMedGray = 0xA4A0A0,
    clNone = 0x1FFFFFFF,
    clDefault = 0x20000000,
    clSystemColor = static_cast<int32_t>(0xFF000000),
    clScrollBar = clSystemColor | 0,
    clBackground = clSystemColor | 1,
    clActiveCaption = clSystemColor | 2,
    clInactiveCaption = clSystemColor | 3,
    clMenu = clSystemColor | 4,
    clWindow = clSystemColor | 5,
    clWindowFrame = clSystemColor | 6,
    clMenuText = clSystemColor | 7,
    clWindowText = clSystemColor | 8,
    clCaptionText = clSystemColor | 9,
    clActiveBorder = clSystemColor | 10,
    clInactiveBorder = clSystemColor | 11,
    clAppWorkSpace = clSystemColor | 12,
    clHighlight = clSystemColor | 13,
    clHighlightText = clSystemColor | 14,
    clBtnFace = clSystemColor | 15,
    clBtnShadow = clSystemColor | 16,
    clGrayText = clSystemColor | 17,
    clBtnText = clSystemColor | 18,
    clInactiveCaptionText = clSystemColor | 19,
    clBtnHighlight = clSystemColor | 20,
    cl3DDkShadow = clSystemColor | 21,
    cl3DLight = clSystemColor | 22,
    clInfoText = clSystemColor | 23,
    clInfoBk = clSystemColor | 24,
    clHotLight = clSystemColor | 26,
    clGradientActiveCaption = clSystemColor | 27,
    clGradientInactiveCaption = clSystemColor | 28,
    clMenuHighlight = clSystemColor | 29,
    clMenuBar = clSystemColor | 30,
};

// The identifier of a named colour ("clRed"), else "$" and eight
// hexadecimal digits ("$00123456").
std::string ColorToString(TColor color);
// A colour identifier ignoring case, else an integer text (decimal or
// "$"/"0x" hexadecimal, up to 8 digits); else EConvertError "'%s' is not a
// valid integer value".
TColor StringToColor(std::string_view text);
// Identifier lookups without raising.
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(std::string_view ident, TColor& color);
// Every colour identifier, in the table's order.
void GetColorValues(const std::function<void(const std::string&)>& proc);
// The colour as plain RGB: system colours map to a fixed classic scheme
// (the same on every machine); other values pass unchanged.
TColor ColorToRGB(TColor color);
// Builds a colour from its parts.
constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) noexcept
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// Font charsets (the platform's constants).
using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset MAC_CHARSET = 77;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset HANGEUL_CHARSET = 129;
constexpr TFontCharset JOHAB_CHARSET = 130;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset VIETNAMESE_CHARSET = 163;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset BALTIC_CHARSET = 186;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset THAI_CHARSET = 222;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset OEM_CHARSET = 255;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeout };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Base of fonts, pens and brushes: OnChange fires after every real change
// (setting a value equal to the current one is no change).
class TGraphicsObject : public TPersistent {
    DORVAK_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;

    static void Publish(TClassBuilder<TGraphicsObject>& b) { b.abstract(); }

protected:
    virtual void Changed();
};

// Published: Charset, Color, Height, Name, Pitch (default fpDefault),
// Size (not stored: Height is), Style. Created as "MS Sans Serif", 8 point
// (Height -11 at 96 pixels per inch), clWindowText, DEFAULT_CHARSET.
class TFont : public TGraphicsObject {
    DORVAK_CLASS(TFont, TGraphicsObject)
public:
    TFont() = default;
    ~TFont() override;

    // From another font: everything but PixelsPerInch; when the two
    // resolutions differ the point size is kept. One OnChange at most.
    void Assign(const TPersistent* source) override;

    const std::string& Name() const noexcept { return name_; }
    // An empty name is ignored.
    void SetName(const std::string& value);
    // Points: MulDiv(-Height, 72, PixelsPerInch), held to the Int32 range
    // as every conversion between the two is.
    int32_t Size() const noexcept;
    void SetSize(int32_t value);
    // Pixels; negative is the character height, positive the cell height.
    int32_t Height() const noexcept { return height_; }
    void SetHeight(int32_t value);
    TFontStyles Style() const noexcept { return style_; }
    void SetStyle(TFontStyles value);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    TFontCharset Charset() const noexcept { return charset_; }
    void SetCharset(TFontCharset value);
    TFontPitch Pitch() const noexcept { return pitch_; }
    void SetPitch(TFontPitch value);
    // Not published; Size converts with it.
    int32_t PixelsPerInch() const noexcept { return pixelsPerInch_; }
    void SetPixelsPerInch(int32_t value) noexcept { pixelsPerInch_ = value; }

    static void Publish(TClassBuilder<TFont>& b);

private:
    // The height of a point size at a resolution.
    static int32_t heightOf(int32_t size, int32_t pixelsPerInch);

    std::string name_ = "MS Sans Serif";
    int32_t height_ = -11;
    int32_t pixelsPerInch_ = 96;
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
};

// Published: Color (default clBlack), Mode (pmCopy), Style (psSolid),
// Width (1).
class TPen : public TGraphicsObject {
    DORVAK_CLASS(TPen, TGraphicsObject)
public:
    TPen() = default;
    ~TPen() override;

    void Assign(const TPersistent* source) override;

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    TPenMode Mode() const noexcept { return mode_; }
    void SetMode(TPenMode value);
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle value);
    int32_t Width() const noexcept { return width_; }
    // A negative width is ignored.
    void SetWidth(int32_t value);

    static void Publish(TClassBuilder<TPen>& b);

private:
    TColor color_ = clBlack;
    TPenMode mode_ = pmCopy;
    TPenStyle style_ = psSolid;
    int32_t width_ = 1;
};

// Published: Color (default clWhite), Style (bsSolid). Setting a colour on
// a clear brush makes it solid, as on the platform.
class TBrush : public TGraphicsObject {
    DORVAK_CLASS(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    ~TBrush() override;

    void Assign(const TPersistent* source) override;

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle value);

    static void Publish(TClassBuilder<TBrush>& b);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};
