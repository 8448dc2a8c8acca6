#pragma once
// The floor of PDF output: what a program that knows its texts, frames and
// lines already would do with bare QPainter calls into a QPdfWriter at 600
// dpi. The content is taken from prepared pages once (their drawing
// recorded at 600 dpi), so that the floor draws exactly the same texts,
// frames and lines; the fonts are the families our report fonts resolve to,
// laid out by Qt as any Qt program's text is. Texts go either into their
// cells with the cell's alignment (drawText into a rectangle, as a program
// that lays out its own cells does) or at the points our engine measured
// (the stricter floor: no layout at all).

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
#include "Numbers.h"
#include "rpCustomPreviewPages.h"
#include "rpMemo.h"
#include "rpPages.h"

namespace bare_pdf {

struct Item {
    enum Kind { Text, Line, Frame, Fill, CellText } kind = Text;
    QPointF at;  // the baseline's start
    QString text;
    QRectF cell;    // CellText: the text's rectangle
    int flags = 0;  // CellText: Qt's alignment and wrapping
    int font = 0;
    QLine line;
    QRect rect;
    QColor pen, brush;
};

struct Document {
    std::vector<QFont> fonts;
    std::vector<std::vector<Item>> pages;
};

// Fonts by name, height and style, once each.
class Fonts {
public:
    explicit Fonts(Document& doc) : doc_(doc) {}
    int index(const std::string& name, int height, TFontStyles style)
    {
        auto [it, added] = index_.emplace(std::make_tuple(name, height, style.Bits()), static_cast<int>(doc_.fonts.size()));
        if (added) {
            const bool bold = style.Contains(fsBold), italic = style.Contains(fsItalic);
            const ResolvedFont& resolved = ResolveFont(name, bold, italic);
            QFont font(QString::fromStdString(resolved.primary().face->familyName()));
            font.setPixelSize(height < 0 ? -height : height);
            font.setBold(bold);
            font.setItalic(italic);
            doc_.fonts.push_back(font);
            ascents_.push_back(QFontMetricsF(font).ascent());
        }
        return it->second;
    }
    qreal ascent(int font) const { return ascents_[static_cast<size_t>(font)]; }

private:
    Document& doc_;
    std::map<std::tuple<std::string, int, unsigned>, int> index_;
    std::vector<qreal> ascents_;
};

// The texts of a page's text objects in their cells, at 600 dpi.
inline void CellTexts(TrpReportPage& page, Fonts& fonts, std::vector<Item>& items)
{
    const Extended k = 600 / 96.0L;
    const Extended left = page.LeftMargin * rp01cm, top = page.TopMargin * rp01cm;
    for (TrpComponent* object : page.GetAllObjects()) {
        auto* memo = dynamic_cast<TrpCustomMemoView*>(object);
        if (!memo || memo->Text().empty()) continue;
        Item item;
        item.kind = Item::CellText;
        item.cell = QRectF(static_cast<qreal>((left + memo->AbsLeft()) * k), static_cast<qreal>((top + memo->AbsTop()) * k),
                           static_cast<qreal>(memo->Width() * k), static_cast<qreal>(memo->Height() * k));
        const TFont& f = *memo->Font();
        item.font = fonts.index(f.Name(), static_cast<int>(Round(f.Height() * k)), f.Style());
        item.flags = Qt::TextWordWrap |
                     (memo->HAlign == haRight ? Qt::AlignRight : memo->HAlign == haCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
                     (memo->VAlign == vaBottom ? Qt::AlignBottom : memo->VAlign == vaCenter ? Qt::AlignVCenter : Qt::AlignTop);
        item.text = QString::fromStdU16String(memo->Text()).trimmed();
        item.pen = ToQColor(f.Color());
        items.push_back(std::move(item));
    }
}

// Pages from..to-1 of prepared pages as bare drawing; texts in their cells
// when inCells, else at the points our engine put them.
inline Document Extract(TrpCustomPreviewPages& pages, int from, int to, bool inCells = false)
{
    Document doc;
    Fonts fonts(doc);
    for (int p = from; p < to; ++p) {
        TRecordingCanvas canvas(600);
        pages.DrawPage(p, canvas, 600 / 96.0L, 600 / 96.0L, 0, 0);
        std::vector<Item>& items = doc.pages.emplace_back();
        if (inCells) CellTexts(*pages.GetPage(p), fonts, items);
        for (const TCanvasRecord& r : canvas.Records()) {
            Item item;
            item.pen = ToQColor(r.penColor);
            item.brush = r.brushStyle == bsClear ? QColor() : ToQColor(r.brushColor);
            switch (r.kind) {
            case TCanvasRecord::ExtTextOut: {
                if (r.text.empty() || inCells) continue;
                item.kind = Item::Text;
                item.font = fonts.index(r.fontName, r.fontHeight, r.fontStyle);
                item.at = QPointF(r.points[0].X, r.points[0].Y + fonts.ascent(item.font));
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
                << i.brush << i.cell << static_cast<qint32>(i.flags);
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
            qint32 kind = 0, font = 0, flags = 0;
            in >> kind >> i.at >> i.text >> font >> i.line >> i.rect >> i.pen >> i.brush >> i.cell >> flags;
            i.kind = static_cast<Item::Kind>(kind);
            i.font = font;
            i.flags = flags;
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
            case Item::CellText:
                painter.setFont(doc.fonts[item.font]);
                painter.setPen(item.pen);
                painter.drawText(item.cell, item.flags, item.text);
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
