#include "rpDialogPictures.h"

#include <QPainter>

namespace {

const QColor kEdge(64, 64, 64);
const QColor kSheet(255, 255, 255);
const QColor kShade(160, 160, 160);
const QColor kInk(0, 0, 128);

// A sheet with its number in the lower right corner, which stays in view
// when the next sheet of a stack lies on it.
void Sheet(QPainter& p, const QRect& r, const QString& label = {})
{
    p.setPen(kEdge);
    p.setBrush(kSheet);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    // A turned-down corner.
    p.drawLine(r.right() - 4, r.top(), r.right(), r.top() + 4);
    if (label.isEmpty()) return;
    QFont f = p.font();
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRect(r.right() - 9, r.bottom() - 11, 8, 10), Qt::AlignCenter, label);
}

// A sheet with lines of text on it.
void TextSheet(QPainter& p, const QRect& r)
{
    Sheet(p, r);
    p.setPen(kShade);
    for (int y = r.top() + 3; y < r.bottom() - 1; y += 3) p.drawLine(r.left() + 2, y, r.right() - 3, y);
}

}  // namespace

QImage CollateImage(bool Collate)
{
    QImage img(104, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // Stacks of sheets, drawn back to front so that the first lies on top;
    // each sheet lies 9 pixels left of and 6 above the one under it.
    const int stacks = Collate ? 2 : 3, sheets = Collate ? 3 : 2, pitch = Collate ? 50 : 34;
    for (int stack = 0; stack < stacks; ++stack)
        for (int i = sheets - 1; i >= 0; --i) {
            const int number = Collate ? i + 1 : stack + 1;
            Sheet(p, QRect(2 + stack * pitch + i * 9, 4 + i * 6, 20, 28), QString(QChar(u'0' + number)));
        }
    return img;
}

QImage PrintModeImage(int Mode)
{
    QImage img(64, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    switch (Mode) {
    case 1: {  // one large page over two sheets
        TextSheet(p, QRect(2, 4, 21, 24));
        p.setPen(QPen(kInk, 1, Qt::DashLine));
        p.drawLine(12, 3, 12, 28);
        TextSheet(p, QRect(37, 6, 12, 20));
        TextSheet(p, QRect(50, 6, 12, 20));
        break;
    }
    case 2: {  // two small pages on one sheet
        Sheet(p, QRect(2, 10, 10, 14));
        Sheet(p, QRect(14, 10, 10, 14));
        Sheet(p, QRect(34, 6, 28, 20));
        Sheet(p, QRect(36, 9, 11, 15));
        Sheet(p, QRect(49, 9, 11, 15));
        break;
    }
    case 3: {  // a page made to fit the sheet
        TextSheet(p, QRect(2, 2, 20, 28));
        TextSheet(p, QRect(44, 8, 14, 18));
        break;
    }
    default: {  // as it is
        TextSheet(p, QRect(2, 4, 18, 24));
        TextSheet(p, QRect(42, 4, 18, 24));
        break;
    }
    }
    if (Mode >= 0) {
        // The arrow from page to sheet.
        p.setPen(QPen(kInk, 2));
        p.drawLine(25, 16, 33, 16);
        p.drawLine(30, 13, 33, 16);
        p.drawLine(30, 19, 33, 16);
    }
    return img;
}

QImage OrientationImage(bool Landscape)
{
    QImage img(40, 40, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QRect sheet = Landscape ? QRect(2, 8, 36, 26) : QRect(7, 2, 26, 36);
    Sheet(p, sheet);
    QFont f = p.font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(sheet, Qt::AlignCenter, QStringLiteral("A"));
    return img;
}
