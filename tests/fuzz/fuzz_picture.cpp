// The picture readers: the input is the data of a picture in any of the
// formats a report keeps (PNG, JPEG, BMP, ICO, EMF, WMF). A picture that
// loads is drawn, and what it saves loads again to the same size.
#include <QImage>

#include <cstdint>
#include <string>

#include "CoreClasses.h"
#include "Exceptions.h"
#include "FuzzGui.h"
#include "ImageCodecs.h"
#include "Pictures.h"
#include "QtCanvas.h"
#include "Streams.h"

FUZZ_START(fuzz_support::startCanvasTarget(), registerPictureClasses())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return 0;
    const std::string bytes(fuzz_support::bytes(data, size));
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
