#include "MetafilePlayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>

#include "Exceptions.h"
#include "LittleEndian.h"
#include "MetafileDevice.h"
#include "QtCanvas.h"

namespace {

using le::u16;
using le::u32;

// Reads, and with a canvas draws; not playable when the header or the
// chain of records is broken.
TMetafileCheck play(TMetafileFormat format, std::string_view bytes, TCanvas* canvas, const QRectF& rect)
{
    TMetafileCheck check;
    try {
        check.DamagedRecords = format == TMetafileFormat::Enhanced ? metafile::PlayEnhanced(bytes, canvas, rect)
                                                                   : metafile::PlayWindows(bytes, canvas, rect);
        check.Playable = true;
    } catch (const metafile::Damaged&) {
    } catch (const std::exception&) {
        // Memory or a conversion that failed on hostile data: nothing more is drawn.
    }
    return check;
}

}  // namespace

TMetafileFormat MetafileFormat(std::string_view b)
{
    if (b.size() >= 88 && u32(b, 0) == 1 && u32(b, 40) == 0x464D4520) return TMetafileFormat::Enhanced;
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7) return TMetafileFormat::Placeable;
    if (b.size() >= 18 && (u16(b, 0) == 1 || u16(b, 0) == 2) && u16(b, 2) == 9 &&
        (u16(b, 4) == 0x100 || u16(b, 4) == 0x300))
        return TMetafileFormat::Windows;
    return TMetafileFormat::None;
}

TMetafileCheck CheckMetafile(std::string_view bytes)
{
    const TMetafileFormat format = MetafileFormat(bytes);
    if (format == TMetafileFormat::None) return {};
    return play(format, bytes, nullptr, QRectF(0, 0, 100, 100));
}

bool MetafileIsPlayable(std::string_view bytes)
{
    return CheckMetafile(bytes).Playable;
}

void PlayMetafile(std::string_view bytes, TCanvas& canvas, const QRectF& rect)
{
    const QRectF r = rect.normalized();
    if (!(r.width() > 0) || !(r.height() > 0) || !std::isfinite(r.width()) || !std::isfinite(r.height())) return;
    if (!MetafileIsPlayable(bytes)) return;
    // The canvas is the caller's: its tools come back as they were.
    TPen pen;
    TBrush brush;
    TFont font;
    pen.Assign(canvas.Pen());
    brush.Assign(canvas.Brush());
    font.Assign(canvas.Font());
    const int escapement = canvas.FontEscapement();
    const TPenEndCap cap = canvas.PenEndCap();
    const TPoint position = canvas.PenPos();
    play(MetafileFormat(bytes), bytes, &canvas, r);
    canvas.Pen()->Assign(&pen);
    canvas.Brush()->Assign(&brush);
    canvas.Font()->Assign(&font);
    canvas.SetFontEscapement(escapement);
    canvas.SetPenEndCap(cap);
    canvas.SetPenPos(position);
}

void PlayMetafile(std::string_view bytes, QPainter& painter, const QRectF& rect)
{
    if (!painter.isActive()) return;
    // Device pixels per unit of the painter: the canvas's whole pixels
    // are the device's, however far the painter is scaled.
    const double k = std::sqrt(std::fabs(painter.deviceTransform().determinant()));
    if (!(k > 0) || !std::isfinite(k)) return;
    painter.save();
    painter.scale(1 / k, 1 / k);
    {
        TQtCanvas canvas(painter);
        if (painter.hasClipping()) {
            const QRectF c = painter.clipBoundingRect();
            auto whole = [](double v) {
                return std::isfinite(v) ? ClampCoordinate(static_cast<int64_t>(
                                              std::clamp<double>(v, -kMaxCoordinate, kMaxCoordinate)))
                                        : 0;
            };
            canvas.SetClipRect(TRect{whole(std::floor(c.left())), whole(std::floor(c.top())),
                                     whole(std::ceil(c.right())), whole(std::ceil(c.bottom()))});
        }
        PlayMetafile(bytes, canvas, QRectF(rect.topLeft() * k, rect.size() * k));
    }
    painter.restore();
}
