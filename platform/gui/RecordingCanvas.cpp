#include "RecordingCanvas.h"

TCanvasRecord& TRecordingCanvas::add(TCanvasRecord::Kind kind, std::vector<TPoint> points)
{
    TCanvasRecord& r = records_.emplace_back();
    r.kind = kind;
    r.points = std::move(points);
    r.penColor = Pen()->Color();
    r.penWidth = Pen()->Width();
    r.penStyle = Pen()->Style();
    r.penMode = Pen()->Mode();
    r.penEndCap = PenEndCap();
    r.brushColor = Brush()->Color();
    r.brushStyle = Brush()->Style();
    r.fontName = Font()->Name();
    r.fontHeight = Font()->Height();
    r.fontStyle = Font()->Style();
    r.fontColor = Font()->Color();
    r.fontEscapement = FontEscapement();
    return r;
}

void TRecordingCanvas::Polyline(std::span<const TPoint> points)
{
    add(TCanvasRecord::Polyline, {points.begin(), points.end()});
}

void TRecordingCanvas::Polygon(std::span<const TPoint> points)
{
    add(TCanvasRecord::Polygon, {points.begin(), points.end()});
}

void TRecordingCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    add(TCanvasRecord::Rectangle, {{x1, y1}, {x2, y2}});
}

void TRecordingCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    add(TCanvasRecord::RoundRect, {{x1, y1}, {x2, y2}, {cornerWidth, cornerHeight}});
}

void TRecordingCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    add(TCanvasRecord::Ellipse, {{x1, y1}, {x2, y2}});
}

void TRecordingCanvas::FillRect(const TRect& rect)
{
    TCanvasRecord& r = add(TCanvasRecord::FillRect, {});
    r.rect = rect;
    r.hasRect = true;
}

void TRecordingCanvas::StretchDraw(const TRect& rect, const QImage& image)
{
    TCanvasRecord& r = add(TCanvasRecord::StretchDraw, {});
    r.rect = rect;
    r.hasRect = true;
    r.image = image;
    r.smooth = SmoothPictures();
}

void TRecordingCanvas::SetPixel(int x, int y, TColor color)
{
    add(TCanvasRecord::SetPixel, {{x, y}}).color = color;
}

void TRecordingCanvas::SetClipRect(const std::optional<TRect>& rect)
{
    clip_ = rect;
    TCanvasRecord& r = add(TCanvasRecord::SetClipRect, {});
    r.hasRect = rect.has_value();
    if (rect) r.rect = *rect;
}

void TRecordingCanvas::SetClipPolygons(std::span<const std::vector<TPoint>> polygons)
{
    SetClipRect(PolygonsBounds(polygons));
    records_.back().clip.assign(polygons.begin(), polygons.end());
}

void TRecordingCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                                  std::span<const int> dx)
{
    TCanvasRecord& r = add(TCanvasRecord::ExtTextOut, {{x, y}});
    r.options = options;
    r.hasRect = rect != nullptr;
    if (rect) r.rect = *rect;
    r.text = text;
    r.dx.assign(dx.begin(), dx.end());
}

void TRecordingCanvas::Replay(TCanvas& target) const
{
    ReplayRecords(records_, target);
}

void ReplayRecords(std::span<const TCanvasRecord> records, TCanvas& target)
{
    for (const TCanvasRecord& r : records) {
        target.Pen()->SetColor(r.penColor);
        target.Pen()->SetWidth(r.penWidth);
        target.Pen()->SetStyle(r.penStyle);
        target.Pen()->SetMode(r.penMode);
        target.SetPenEndCap(r.penEndCap);
        target.Brush()->SetColor(r.brushColor);
        target.Brush()->SetStyle(r.brushStyle);
        target.Font()->SetName(r.fontName);
        target.Font()->SetHeight(r.fontHeight);
        target.Font()->SetStyle(r.fontStyle);
        target.Font()->SetColor(r.fontColor);
        target.SetFontEscapement(r.fontEscapement);
        const auto& p = r.points;
        switch (r.kind) {
        case TCanvasRecord::Polyline: target.Polyline(p); break;
        case TCanvasRecord::Polygon: target.Polygon(p); break;
        case TCanvasRecord::Rectangle: target.Rectangle(p[0].X, p[0].Y, p[1].X, p[1].Y); break;
        case TCanvasRecord::RoundRect: target.RoundRect(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y); break;
        case TCanvasRecord::Ellipse: target.Ellipse(p[0].X, p[0].Y, p[1].X, p[1].Y); break;
        case TCanvasRecord::FillRect: target.FillRect(r.rect); break;
        case TCanvasRecord::StretchDraw: {
            const bool smooth = target.SmoothPictures();
            target.SetSmoothPictures(r.smooth);
            target.StretchDraw(r.rect, r.image);
            target.SetSmoothPictures(smooth);
            break;
        }
        case TCanvasRecord::SetPixel: target.SetPixel(p[0].X, p[0].Y, r.color); break;
        case TCanvasRecord::SetClipRect:
            if (!r.clip.empty())
                target.SetClipPolygons(r.clip);
            else
                target.SetClipRect(r.hasRect ? std::optional<TRect>(r.rect) : std::nullopt);
            break;
        case TCanvasRecord::ExtTextOut:
            target.ExtTextOut(p[0].X, p[0].Y, r.options, r.hasRect ? &r.rect : nullptr, r.text, r.dx);
            break;
        }
    }
}
