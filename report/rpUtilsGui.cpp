#include "rpUtilsGui.h"

#include <QDialog>
#include <QFont>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>

#include "Exceptions.h"
#include "Graphics.h"
#include "Pictures.h"
#include "rpImageList.h"
#include "rpRes.h"
#include "rpUiServices.h"

void TrpImageList::AddMasked(const QImage& image, QColor transparent)
{
    images_.push_back(MaskedImage(image, transparent));
}

QImage TrpImageList::Image(int index) const
{
    if (index < 0 || index >= Count()) return QImage();
    return images_[index];
}

QIcon TrpImageList::Icon(int index) const
{
    if (index < 0 || index >= Count()) return QIcon();
    return QIcon(QPixmap::fromImage(images_[index]));
}

void AssignImagesFromStrip(const QImage& strip, int cellWidth, int cellHeight, TrpImageList* second,
                           TrpImageList& first)
{
    if (cellWidth <= 0 || cellHeight <= 0 || strip.isNull()) return;
    auto cellAt = [&](int x, int y) { return strip.copy(x, y, cellWidth, cellHeight); };
    int x = 0;
    int y = 0;
    bool toSecond = false;
    while (y < strip.height()) {
        const QImage cell = cellAt(x, y);
        const QColor key = cell.pixelColor(0, cellHeight - 1);
        (toSecond && second ? *second : first).AddMasked(cell, key);
        if (second) toSecond = !toSecond;
        x += cellWidth;
        if (x >= strip.width()) {
            x = 0;
            y += cellHeight;
        }
    }
}

void DrawMaskedBitmap(QPainter& canvas, int x, int y, const QImage* bitmap)
{
    if (!bitmap || bitmap->isNull()) return;
    canvas.drawImage(x, y, MaskedImage(*bitmap, bitmap->pixelColor(0, bitmap->height() - 1)));
}

void DrawPictureStretched(QPainter& canvas, const QRectF& rect, const QImage& picture, uint32_t transparentColor,
                          bool transparent, bool highQuality, bool printing)
{
    if (picture.isNull()) return;
    canvas.setBrush(QColor(255, 255, 255));
    const bool smooth = canvas.testRenderHint(QPainter::SmoothPixmapTransform);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, highQuality || printing);
    // The colour is the platform's blue-green-red value.
    const QColor key(transparentColor & 0xFF, (transparentColor >> 8) & 0xFF, (transparentColor >> 16) & 0xFF);
    canvas.drawImage(rect, transparent ? MaskedImage(picture, key) : picture);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void ReportError(TrpSilentMode mode, const std::string& message)
{
    switch (mode) {
    case simMessageBoxes: ErrorMessageBox(message); break;
    case simReThrow: throw Exception(message);
    case simSilent: break;
    }
}

void ErrorMessageBox(const std::string& message)
{
    rpMessageBox(message, GetResources().Get("mbError"), rpMB_ICONERROR);
}

QFont FontForDialog(const TFont& font)
{
    QFont q(QString::fromStdString(font.Name()));
    q.setPointSize(font.Size() > 0 ? font.Size() : 10);
    q.setBold(font.Style().Contains(fsBold));
    q.setItalic(font.Style().Contains(fsItalic));
    q.setUnderline(font.Style().Contains(fsUnderline));
    q.setStrikeOut(font.Style().Contains(fsStrikeout));
    return q;
}

void FontFromDialog(const QFont& chosen, TFont& font)
{
    font.SetName(chosen.family().toStdString());
    if (chosen.pointSize() > 0) font.SetSize(chosen.pointSize());
    TFontStyles style;
    if (chosen.bold()) style.Include(fsBold);
    if (chosen.italic()) style.Include(fsItalic);
    if (chosen.underline()) style.Include(fsUnderline);
    if (chosen.strikeOut()) style.Include(fsStrikeout);
    font.SetStyle(style);
}
