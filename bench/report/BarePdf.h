#pragma once
// The floor of PDF output, taken from prepared pages: their drawing
// recorded at 600 dpi and kept as texts at the points our engine measured,
// frames, lines and fills (BareDrawing.h), in the families our report
// fonts resolve to. The floor program draws that file with bare QPainter
// calls; the same drawing can be drawn in this process too.

#include <QFontMetricsF>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "BareDrawing.h"
#include "FontResolver.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "rpCustomPreviewPages.h"

namespace bare_pdf {

using bare_drawing::FontSpec;
using bare_drawing::Item;

// Fonts by name, height and style, once each.
class Fonts {
public:
    int index(const std::string& name, int height, TFontStyles style)
    {
        auto [it, added] = index_.emplace(std::make_tuple(name, height, style.Bits()), static_cast<int>(specs.size()));
        if (added) {
            FontSpec spec;
            spec.bold = style.Contains(fsBold);
            spec.italic = style.Contains(fsItalic);
            spec.family = QString::fromStdString(ResolveFont(name, spec.bold, spec.italic).primary().face->familyName());
            spec.pixelSize = height < 0 ? -height : height;
            specs.push_back(spec);
            QFont font(spec.family);
            font.setPixelSize(spec.pixelSize > 0 ? spec.pixelSize : 1);
            font.setBold(spec.bold);
            font.setItalic(spec.italic);
            ascents_.push_back(QFontMetricsF(font).ascent());
        }
        return it->second;
    }
    qreal ascent(int font) const { return ascents_[static_cast<size_t>(font)]; }

    std::vector<FontSpec> specs;

private:
    std::map<std::tuple<std::string, int, unsigned>, int> index_;
    std::vector<qreal> ascents_;
};

// One prepared page's drawing at 600 dpi as bare items.
inline std::vector<Item> ExtractPage(TrpCustomPreviewPages& pages, int page, Fonts& fonts)
{
    TRecordingCanvas canvas(600);
    pages.DrawPage(page, canvas, 600 / 96.0L, 600 / 96.0L, 0, 0);
    std::vector<Item> items;
    for (const TCanvasRecord& r : canvas.Records()) {
        Item item;
        item.pen = ToQColor(r.penColor).rgba();
        item.brush = r.brushStyle == bsClear ? 0 : ToQColor(r.brushColor).rgba();
        switch (r.kind) {
        case TCanvasRecord::ExtTextOut:
            if (r.text.empty()) continue;
            item.kind = Item::Text;
            item.font = fonts.index(r.fontName, r.fontHeight, r.fontStyle);
            item.at = QPointF(r.points[0].X, r.points[0].Y + fonts.ascent(item.font));
            item.text = QString::fromStdU16String(r.text);
            item.pen = ToQColor(r.fontColor).rgba();
            break;
        case TCanvasRecord::Polyline:
            if (r.points.size() != 2) continue;
            item.kind = Item::Line;
            item.line = QLine(r.points[0].X, r.points[0].Y, r.points[1].X, r.points[1].Y);
            break;
        case TCanvasRecord::Rectangle:
            item.kind = Item::Frame;
            item.rect = QRect(QPoint(r.points[0].X, r.points[0].Y), QPoint(r.points[1].X - 1, r.points[1].Y - 1));
            break;
        case TCanvasRecord::FillRect:
            item.kind = Item::Fill;
            item.rect = QRect(r.rect.Left, r.rect.Top, r.rect.Width(), r.rect.Height());
            break;
        default: continue;
        }
        items.push_back(std::move(item));
    }
    return items;
}

// Pages from..to-1 into a drawing file; false when it was not written.
inline bool Save(TrpCustomPreviewPages& pages, int from, int to, const QString& fileName)
{
    // The fonts go first in the file: every page is looked at once for them.
    Fonts fonts;
    std::vector<std::vector<Item>> drawn;
    for (int p = from; p < to; ++p) drawn.push_back(ExtractPage(pages, p, fonts));
    bare_drawing::Writer writer(fileName, fonts.specs);
    for (const std::vector<Item>& items : drawn) writer.page(items);
    return writer.finish();
}

}  // namespace bare_pdf
