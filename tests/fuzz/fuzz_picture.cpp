// The picture readers: the input is the data of a picture in any of the
// formats a report keeps (PNG, JPEG, BMP, ICO, EMF, WMF). A picture that
// loads is drawn, and what it saves loads again to the same size. Every
// input is also played as a metafile (bare Windows metafiles too, which
// the loader does not take): one that does not hold together draws nothing.
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <string>

#include "CoreClasses.h"
#include "Exceptions.h"
#include "FuzzGui.h"
#include "ImageCodecs.h"
#include "Pictures.h"
#include "MetafilePlayer.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "Streams.h"

FUZZ_START(fuzz_support::startCanvasTarget(), registerPictureClasses())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return 0;
    const std::string bytes(fuzz_support::bytes(data, size));
    if (MetafileFormat(bytes) != TMetafileFormat::None) {
        TRecordingCanvas recording;
        PlayMetafile(bytes, recording, QRectF(0, 0, 640, 480));
        FUZZ_CHECK(MetafileIsPlayable(bytes) || recording.Records().empty(), "a damaged metafile drew");
        QImage small(24, 24, QImage::Format_ARGB32);
        QPainter painter(&small);
        painter.scale(0.5, 0.25);
        PlayMetafile(bytes, painter, QRectF(-8, 4, 60, 90));
    }
    TPicture picture;
    try {
        TStringStream in(bytes);
        if (LoadPictureFromStream(picture, in, true) != 0 || !picture.Graphic()) return 0;
    } catch (const Exception&) {
        return 0;  // not a picture we can read
    }
    TGraphic& graphic = *picture.Graphic();
    QImage target(32, 32, QImage::Format_ARGB32);
    {
        TQtCanvas canvas(target);
        graphic.Draw(canvas, Rect(0, 0, 32, 32));
        DrawGraphicStretched(canvas, Rect(-5, -5, 40, 20), graphic, clWhite, true);
    }
    TStringStream out;
    try {
        graphic.SaveToStream(out);
    } catch (const Exception&) {
        return 0;  // a graphic that cannot be stored in its own format
    }
    TPicture again;
    TStringStream back(out.DataString());
    FUZZ_CHECK(LoadPictureFromStream(again, back, true) == 0 && again.Graphic(), "a saved picture does not load");
    FUZZ_CHECK(again.Width() == picture.Width() && again.Height() == picture.Height(), "a saved picture changed size");
    return 0;
}
