#pragma once
// A drawing of texts at their points, frames, lines and fills, page by
// page, in a file, and the bare QPainter calls that put it into a
// QPdfWriter at 600 dpi. Qt alone: the floor program (bare_qpainter_pdf)
// reads it without any of our libraries, one page at a time, as a program
// that knows its texts and their points would draw them.
//
// File: "BAREPDF2", the fonts (family, pixel size, bold, italic), then each
// page as its item count and items, ended by a count of 0xFFFFFFFF.

#include <QDataStream>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <vector>

namespace bare_drawing {

struct Item {
    enum Kind : qint8 { Text, Line, Frame, Fill } kind = Text;
    QPointF at;  // Text: the baseline's start
    QString text;
    qint32 font = 0;
    QLine line;
    QRect rect;
    QRgb pen = 0;
    QRgb brush = 0;  // alpha 0: no brush
};

struct FontSpec {
    QString family;
    qint32 pixelSize = 0;
    bool bold = false;
    bool italic = false;
};

inline constexpr quint32 kEnd = 0xFFFFFFFFu;
inline constexpr char kMagic[] = "BAREPDF2";

inline QDataStream& operator<<(QDataStream& out, const Item& i)
{
    out << static_cast<qint8>(i.kind);
    switch (i.kind) {
    case Item::Text: return out << i.at << i.text << i.font << i.pen;
    case Item::Line: return out << i.line << i.pen;
    case Item::Frame: return out << i.rect << i.pen << i.brush;
    case Item::Fill: return out << i.rect << i.brush;
    }
    return out;
}

inline QDataStream& operator>>(QDataStream& in, Item& i)
{
    qint8 kind = 0;
    in >> kind;
    i.kind = static_cast<Item::Kind>(kind);
    switch (i.kind) {
    case Item::Text: return in >> i.at >> i.text >> i.font >> i.pen;
    case Item::Line: return in >> i.line >> i.pen;
    case Item::Frame: return in >> i.rect >> i.pen >> i.brush;
    case Item::Fill: return in >> i.rect >> i.brush;
    }
    in.setStatus(QDataStream::ReadCorruptData);
    return in;
}

// Written page by page; the fonts come first, so they are known before.
class Writer {
public:
    Writer(const QString& fileName, const std::vector<FontSpec>& fonts) : file_(fileName)
    {
        if (!file_.open(QIODevice::WriteOnly)) return;
        out_.setDevice(&file_);
        out_.writeRawData(kMagic, 8);
        out_ << static_cast<quint32>(fonts.size());
        for (const FontSpec& f : fonts) out_ << f.family << f.pixelSize << f.bold << f.italic;
    }
    void page(const std::vector<Item>& items)
    {
        out_ << static_cast<quint32>(items.size());
        for (const Item& i : items) out_ << i;
    }
    bool finish()
    {
        out_ << kEnd;
        file_.close();
        return out_.status() == QDataStream::Ok && file_.error() == QFileDevice::NoError;
    }

private:
    QFile file_;
    QDataStream out_;
};

class Reader {
public:
    explicit Reader(const QString& fileName) : file_(fileName)
    {
        if (!file_.open(QIODevice::ReadOnly)) return;
        in_.setDevice(&file_);
        char magic[8] = {};
        if (in_.readRawData(magic, 8) != 8 || QByteArray(magic, 8) != QByteArray(kMagic, 8)) return;
        quint32 count = 0;
        in_ >> count;
        for (quint32 n = 0; n < count && in_.status() == QDataStream::Ok; ++n) {
            FontSpec f;
            in_ >> f.family >> f.pixelSize >> f.bold >> f.italic;
            QFont font(f.family);
            font.setPixelSize(f.pixelSize > 0 ? f.pixelSize : 1);
            font.setBold(f.bold);
            font.setItalic(f.italic);
            fonts.push_back(font);
        }
        ok_ = in_.status() == QDataStream::Ok;
    }
    bool ok() const { return ok_; }
    // The next page's items; false after the last or on damage.
    bool next(std::vector<Item>& items)
    {
        if (!ok_) return false;
        quint32 count = 0;
        in_ >> count;
        if (count == kEnd || in_.status() != QDataStream::Ok) return false;
        if (count > (1u << 24)) {
            ok_ = false;
            in_.setStatus(QDataStream::ReadCorruptData);
            return false;
        }
        items.resize(count);
        for (Item& i : items) {
            in_ >> i;
            if (i.kind == Item::Text && (i.font < 0 || i.font >= static_cast<qint32>(fonts.size())))
                in_.setStatus(QDataStream::ReadCorruptData);
        }
        ok_ = in_.status() == QDataStream::Ok;
        return ok_;
    }
    // True when every page was read and the end mark found.
    bool atEnd() const { return in_.status() == QDataStream::Ok; }

    std::vector<QFont> fonts;

private:
    QFile file_;
    QDataStream in_;
    bool ok_ = false;
};

// One page's items with bare QPainter calls.
inline void Draw(QPainter& painter, const std::vector<QFont>& fonts, const std::vector<Item>& items)
{
    for (const Item& item : items) {
        switch (item.kind) {
        case Item::Text:
            painter.setFont(fonts[static_cast<size_t>(item.font)]);
            painter.setPen(QColor(item.pen));
            painter.drawText(item.at, item.text);
            break;
        case Item::Line:
            painter.setPen(QColor(item.pen));
            painter.drawLine(item.line);
            break;
        case Item::Frame:
            painter.setPen(QColor(item.pen));
            painter.setBrush(qAlpha(item.brush) ? QBrush(QColor(item.brush)) : QBrush());
            painter.drawRect(item.rect);
            break;
        case Item::Fill:
            if (qAlpha(item.brush)) painter.fillRect(item.rect, QColor(item.brush));
            break;
        }
    }
}

// The whole file into a PDF, A4 at 600 dpi, a page read, drawn and let go
// at a time; the number of pages, -1 when the file is damaged.
inline int DrawFile(const QString& in, const QString& pdf)
{
    Reader reader(in);
    if (!reader.ok()) return -1;
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    std::vector<Item> items;
    int pages = 0;
    while (reader.next(items)) {
        if (pages++ > 0) writer.newPage();
        Draw(painter, reader.fonts, items);
    }
    painter.end();
    return reader.atEnd() ? pages : -1;
}

}  // namespace bare_drawing
