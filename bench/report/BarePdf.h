#pragma once
// The floor of PDF output: what a program that knows its texts, frames and
// lines already would do with bare QPainter calls into a QPdfWriter at 600
// dpi. The content is taken from prepared pages once (their drawing
// recorded at 600 dpi), so that the floor draws exactly the same texts at
// the same places; the fonts are the families our report fonts resolve to,
// laid out by Qt as any Qt program's text is.

#include <QDataStream>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "CodePages.h"
#include "FontResolver.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "rpCustomPreviewPages.h"

namespace bare_pdf {

struct Item {
    enum Kind { Text, Line, Frame, Fill } kind = Text;
    QPointF at;  // the baseline's start
    QString text;
    int font = 0;
    QLine line;
    QRect rect;
    QColor pen, brush;
};

struct Document {
    std::vector<QFont> fonts;
    std::vector<std::vector<Item>> pages;
};

// Pages from..to-1 of prepared pages as bare drawing.
inline Document Extract(TrpCustomPreviewPages& pages, int from, int to)
{
    Document doc;
    std::map<std::tuple<std::string, int, unsigned>, int> fontIndex;
    std::vector<qreal> ascents;
    for (int p = from; p < to; ++p) {
        TRecordingCanvas canvas(600);
        pages.DrawPage(p, canvas, 600 / 96.0L, 600 / 96.0L, 0, 0);
        std::vector<Item>& items = doc.pages.emplace_back();
        for (const TCanvasRecord& r : canvas.Records()) {
            Item item;
            item.pen = ToQColor(r.penColor);
            item.brush = r.brushStyle == bsClear ? QColor() : ToQColor(r.brushColor);
            switch (r.kind) {
            case TCanvasRecord::ExtTextOut: {
                if (r.text.empty()) continue;
                const auto key = std::make_tuple(r.fontName, r.fontHeight, r.fontStyle.Bits());
                auto [it, added] = fontIndex.emplace(key, static_cast<int>(doc.fonts.size()));
                if (added) {
                    const bool bold = r.fontStyle.Contains(fsBold), italic = r.fontStyle.Contains(fsItalic);
                    const ResolvedFont& resolved = ResolveFont(r.fontName, bold, italic);
                    QFont font(QString::fromStdString(resolved.primary().face->familyName()));
                    font.setPixelSize(r.fontHeight < 0 ? -r.fontHeight : r.fontHeight);
                    font.setBold(bold);
                    font.setItalic(italic);
                    doc.fonts.push_back(font);
                    ascents.push_back(QFontMetricsF(font).ascent());
                }
                item.kind = Item::Text;
                item.font = it->second;
                item.at = QPointF(r.points[0].X, r.points[0].Y + ascents[it->second]);
                item.text = QString::fromStdU16String(r.text);
                item.pen = ToQColor(r.fontColor);
                break;
            }
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
    }
    return doc;
}

// The drawing kept in a file, for a process of its own to draw it.
inline bool Save(const Document& doc, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QDataStream out(&file);
    out << static_cast<quint32>(doc.fonts.size());
    for (const QFont& font : doc.fonts) out << font;
    out << static_cast<quint32>(doc.pages.size());
    for (const std::vector<Item>& page : doc.pages) {
        out << static_cast<quint32>(page.size());
        for (const Item& i : page)
            out << static_cast<qint32>(i.kind) << i.at << i.text << static_cast<qint32>(i.font) << i.line << i.rect << i.pen
                << i.brush;
    }
    return out.status() == QDataStream::Ok;
}

inline bool Load(Document& doc, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QDataStream in(&file);
    quint32 fonts = 0, pages = 0;
    in >> fonts;
    doc.fonts.resize(fonts);
    for (QFont& font : doc.fonts) in >> font;
    in >> pages;
    doc.pages.resize(pages);
    for (std::vector<Item>& page : doc.pages) {
        quint32 items = 0;
        in >> items;
        page.resize(items);
        for (Item& i : page) {
            qint32 kind = 0, font = 0;
            in >> kind >> i.at >> i.text >> font >> i.line >> i.rect >> i.pen >> i.brush;
            i.kind = static_cast<Item::Kind>(kind);
            i.font = font;
        }
    }
    return in.status() == QDataStream::Ok;
}

// The pages into a PDF file, A4, 600 dpi.
inline void Draw(const Document& doc, const QString& fileName)
{
    QPdfWriter writer(fileName);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (size_t p = 0; p < doc.pages.size(); ++p) {
        if (p > 0) writer.newPage();
        for (const Item& item : doc.pages[p]) {
            switch (item.kind) {
            case Item::Text:
                painter.setFont(doc.fonts[item.font]);
                painter.setPen(item.pen);
                painter.drawText(item.at, item.text);
                break;
            case Item::Line:
                painter.setPen(item.pen);
                painter.drawLine(item.line);
                break;
            case Item::Frame:
                painter.setPen(item.pen);
                painter.setBrush(item.brush.isValid() ? QBrush(item.brush) : QBrush());
                painter.drawRect(item.rect);
                break;
            case Item::Fill:
                if (item.brush.isValid()) painter.fillRect(item.rect, item.brush);
                break;
            }
        }
    }
}

}  // namespace bare_pdf
