#pragma once
// TEMPORARY stand-in for platform/core/Graphics.h (reflection branch), with
// the same names and signatures, until that branch is merged. Delete then.
#include <cstdint>
#include <string>
#include <string_view>

template <class E>
class TSet {
public:
    constexpr TSet() noexcept = default;
    constexpr TSet(std::initializer_list<E> elements) noexcept
    {
        for (E e : elements) Include(e);
    }
    static constexpr TSet FromBits(uint32_t bits) noexcept
    {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint32_t Bits() const noexcept { return bits_; }
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr bool Contains(E e) const noexcept { return (bits_ & (1u << e)) != 0; }
    constexpr TSet& Include(E e) noexcept
    {
        bits_ |= 1u << e;
        return *this;
    }
    constexpr TSet& Exclude(E e) noexcept
    {
        bits_ &= ~(1u << e);
        return *this;
    }
    friend constexpr bool operator==(TSet a, TSet b) noexcept = default;

private:
    uint32_t bits_ = 0;
};

enum TColor : int32_t {
    clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clNavy = 0x800000, clGray = 0x808080,
    clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000,
    clWhite = 0xFFFFFF, clAqua = 0xFFFF00, clNone = 0x1FFFFFFF, clDefault = 0x20000000,
    clSystemColor = static_cast<int32_t>(0xFF000000), clWindow = clSystemColor | 5, clWindowText = clSystemColor | 8,
    clBtnFace = clSystemColor | 15,
};
inline bool IdentToColor(std::string_view ident, TColor& color)
{
    struct E { const char* n; TColor c; };
    static const E names[] = {{"clblack", clBlack}, {"clred", clRed}, {"clblue", clBlue}, {"clgreen", clGreen},
                              {"clwhite", clWhite}, {"clyellow", clYellow}, {"clgray", clGray}, {"clnavy", clNavy}};
    std::string l(ident);
    for (char& c : l) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    for (const E& e : names)
        if (l == e.n) { color = e.c; return true; }
    return false;
}
inline TColor ColorToRGB(TColor color)
{
    if (color == clWindowText) return clBlack;
    if (color == clWindow) return clWhite;
    if (color == clBtnFace) return TColor(0xC0C0C0);
    return color;
}
using TFontCharset = uint8_t;
constexpr TFontCharset DEFAULT_CHARSET = 1;
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeout };
using TFontStyles = TSet<TFontStyle>;
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TFont {
public:
    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& v) { if (!v.empty()) name_ = v; }
    int32_t Size() const noexcept { return (-height_ * 144 + pixelsPerInch_) / (2 * pixelsPerInch_); }
    void SetSize(int32_t v) { height_ = -(v * pixelsPerInch_ * 2 + 72) / 144; }
    int32_t Height() const noexcept { return height_; }
    void SetHeight(int32_t v) { height_ = v; }
    TFontStyles Style() const noexcept { return style_; }
    void SetStyle(TFontStyles v) { style_ = v; }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor v) { color_ = v; }
    TFontCharset Charset() const noexcept { return charset_; }
    void SetCharset(TFontCharset v) { charset_ = v; }
    int32_t PixelsPerInch() const noexcept { return pixelsPerInch_; }
    void SetPixelsPerInch(int32_t v) noexcept { pixelsPerInch_ = v; }
    void Assign(const TFont* f) { int p = pixelsPerInch_; *this = *f; if (p != f->pixelsPerInch_) { int s = f->Size(); pixelsPerInch_ = p; SetSize(s); } }
private:
    std::string name_ = "MS Sans Serif";
    int32_t height_ = -11;
    int32_t pixelsPerInch_ = 96;
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
};
class TPen {
public:
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor v) { color_ = v; }
    TPenMode Mode() const noexcept { return mode_; }
    void SetMode(TPenMode v) { mode_ = v; }
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle v) { style_ = v; }
    int32_t Width() const noexcept { return width_; }
    void SetWidth(int32_t v) { if (v >= 0) width_ = v; }
    void Assign(const TPen* p) { *this = *p; }
private:
    TColor color_ = clBlack;
    TPenMode mode_ = pmCopy;
    TPenStyle style_ = psSolid;
    int32_t width_ = 1;
};
class TBrush {
public:
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor v) { color_ = v; if (style_ == bsClear) style_ = bsSolid; }
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle v) { style_ = v; }
    void Assign(const TBrush* b) { *this = *b; }
private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};
constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) noexcept
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}
