#include "Canvas.h"

#include <QImage>

#include <algorithm>

#include "CodePages.h"
#include "FontResolver.h"
#include "SizedFont.h"

TRect IntersectRect(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

TCanvas::TCanvas(int pixelsPerInchX, int pixelsPerInchY)
    : ppiX_(pixelsPerInchX > 0 ? pixelsPerInchX : 96),
      ppiY_(pixelsPerInchY > 0 ? pixelsPerInchY : 96),
      font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>())
{
    const int size = font_->Size();
    font_->SetPixelsPerInch(ppiY_);
    font_->SetSize(size);
}

TCanvas::~TCanvas() = default;

void TCanvas::Publish(TClassBuilder<TCanvas>& b)
{
    b.abstract();
    b.property("Brush", &TCanvas::Brush);
    b.property("Font", &TCanvas::Font);
    b.property("Pen", &TCanvas::Pen);
}

void registerCanvasClasses()
{
    RegisterClass<TCanvas>(TCanvas::Publish);
}

void unregisterCanvasClasses()
{
    UnregisterClass<TCanvas>();
}

void TCanvas::LineTo(int x, int y)
{
    const TPoint points[2] = {penPos_, {x, y}};
    Polyline(points);
    penPos_ = {x, y};
}

void TCanvas::Draw(int x, int y, const QImage& image)
{
    StretchDraw({x, y, x + image.width(), y + image.height()}, image);
}

TRect PolygonsBounds(std::span<const std::vector<TPoint>> polygons)
{
    std::optional<TRect> r;
    for (const std::vector<TPoint>& polygon : polygons) {
        for (const TPoint& p : polygon) {
            if (!r) r = TRect{p.X, p.Y, p.X, p.Y};
            r->Left = std::min(r->Left, p.X), r->Top = std::min(r->Top, p.Y);
            r->Right = std::max(r->Right, p.X), r->Bottom = std::max(r->Bottom, p.Y);
        }
    }
    return r.value_or(TRect{});
}

void TCanvas::SetClipPolygons(std::span<const std::vector<TPoint>> polygons)
{
    SetClipRect(PolygonsBounds(polygons));
}

void TCanvas::IntersectClipRect(const TRect& rect)
{
    const std::optional<TRect> current = ClipRect();
    SetClipRect(current ? IntersectRect(*current, rect) : rect);
}

const ResolvedFont& TCanvas::ResolvedCanvasFont() const
{
    const TFontStyles style = font_->Style();
    const bool bold = style.Contains(fsBold), italic = style.Contains(fsItalic);
    LastResolved& last = lastResolved_;
    if (!last.font || last.bold != bold || last.italic != italic || last.name != font_->Name()) {
        last.font = &ResolveFont(font_->Name(), bold, italic);
        last.name = font_->Name();
        last.bold = bold;
        last.italic = italic;
    }
    return *last.font;
}

int TCanvas::FontPixelSize() const
{
    const int height = font_->Height();
    if (height < 0) return ClampToInt32(-static_cast<int64_t>(height));
    if (height == 0) return MulDiv(8, ppiY_, 72);  // the platform's default font size
    // A positive height is the cell: ascent plus descent.
    const FontFace& face = *ResolvedCanvasFont().primary().face;
    return MulDiv(height, face.unitsPerEm(), std::max(1, face.winAscent() + face.winDescent()));
}

const SizedFont& TCanvas::DeviceFont() const
{
    return SizedFont::Get(ResolvedCanvasFont(), FontPixelSize());
}

TSize TCanvas::TextExtent(std::u16string_view text) const
{
    const SizedFont& font = DeviceFont();
    return {static_cast<int>(font.width(text)), font.ascent() + font.descent()};
}

void TCanvas::TextOut(int x, int y, std::u16string_view text)
{
    const TSize extent = TextExtent(text);
    if (brush_->Style() != bsClear) {
        const TRect cell{x, y, x + extent.cx, y + extent.cy};
        ExtTextOut(x, y, ETO_OPAQUE, &cell, text);
    } else {
        ExtTextOut(x, y, 0, nullptr, text);
    }
    penPos_ = {x + extent.cx, y};
}

void TCanvas::TextOut(int x, int y, std::string_view utf8)
{
    TextOut(x, y, std::u16string_view(Utf8ToUtf16(utf8)));
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::u16string_view text)
{
    ExtTextOut(x, y, ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0), &rect, text);
}

std::vector<int> TextPositions(const SizedFont& font, std::u16string_view text, std::span<const int> dx)
{
    std::vector<int> positions(text.size() + 1, 0);
    std::vector<int32_t> advances;
    if (dx.size() < text.size()) {
        advances.resize(text.size());
        font.advances(text, advances);
        dx = advances;
    }
    int64_t at = 0;
    for (size_t i = 0; i < text.size(); ++i) positions[i + 1] = ClampCoordinate(at += dx[i]);
    return positions;
}
