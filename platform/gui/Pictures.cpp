#include "Pictures.h"

#include <QPainter>

#include <algorithm>
#include <typeinfo>

#include "LittleEndian.h"
#include "MetafilePlayer.h"
#include "QtCanvas.h"
#include "SysUtils.h"

namespace {

// The rest of the stream, up to the end a seek from the end reports (a
// shared cache stream sets it to the end of one picture).
std::string readGraphicBytes(TStream& stream)
{
    const int64_t position = stream.Position();
    const int64_t end = stream.Seek(0, soEnd);
    stream.Seek(position, soBeginning);
    const int64_t length = std::max<int64_t>(0, end - position);
    if (length > kMaxPictureBytes) throw EInvalidGraphic("Picture data too large");
    std::string bytes(static_cast<size_t>(length), '\0');
    stream.ReadBuffer(bytes.data(), length);
    return bytes;
}

void writeBytes(TStream& stream, const std::string& bytes)
{
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TColor toColor(QRgb rgb)
{
    return RGB(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)), static_cast<uint8_t>(qBlue(rgb)));
}

TPixelFormat bmpPixelFormat(std::string_view b)
{
    if (b.size() < 30) return pfDevice;
    const bool core = static_cast<uint8_t>(b[14]) == 12 && b[15] == 0 && b[16] == 0 && b[17] == 0;
    const size_t at = core ? 24 : 28;
    switch (static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8)) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
    }
}

QImage::Format storageFormat(TPixelFormat format)
{
    return format == pf32bit ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

// The pixels as the pixel format holds them: fewer colours for the
// palette formats.
QImage reduced(const QImage& image, TPixelFormat format)
{
    switch (format) {
    case pf1bit: return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::AvoidDither);
    case pf4bit:
    case pf8bit: return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    case pf15bit: return image.convertToFormat(QImage::Format_RGB555);
    case pf16bit: return image.convertToFormat(QImage::Format_RGB16);
    default: return image;
    }
}

// Grey frame and diagonals: the mark of a recorded drawing a canvas
// cannot scale.
void drawPlaceholder(TCanvas& canvas, const TRect& r)
{
    TPen pen;
    TBrush brush;
    pen.Assign(canvas.Pen());
    brush.Assign(canvas.Brush());
    canvas.Pen()->SetColor(clGray);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetMode(pmCopy);
    canvas.Brush()->SetStyle(bsClear);
    canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    const TPoint down[2] = {{r.Left, r.Top}, {r.Right - 1, r.Bottom - 1}};
    const TPoint up[2] = {{r.Right - 1, r.Top}, {r.Left, r.Bottom - 1}};
    canvas.Polyline(down);
    canvas.Polyline(up);
    canvas.Pen()->Assign(&pen);
    canvas.Brush()->Assign(&brush);
}

}  // namespace

QImage MaskedImage(const QImage& image, QColor transparent)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return out;
}

void DrawGraphicStretched(TCanvas& canvas, const TRect& rect, const TGraphic& graphic, TColor transparentColor,
                          bool transparent)
{
    auto* raster = dynamic_cast<const TRasterGraphic*>(&graphic);
    if (!transparent || !raster)
        graphic.Draw(canvas, rect);
    else if (!raster->Empty())
        canvas.StretchDraw(rect, raster->MaskedImage(transparentColor));
}

// ---------------------------------------------------------------- TGraphic

TGraphic::~TGraphic() = default;

void TGraphic::Publish(TClassBuilder<TGraphic>& b)
{
    b.property("Height", &TGraphic::Height, &TGraphic::SetHeight).stored(false);
    b.property("Width", &TGraphic::Width, &TGraphic::SetWidth).stored(false);
}

void TGraphic::SetWidth(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a " + ClassName());
}

void TGraphic::SetHeight(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a " + ClassName());
}

void TGraphic::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const
{
    TMemoryStream data;
    SaveToStream(data);
    data.SaveToFile(fileName);
}

void TGraphic::Changed()
{
    OnChange(this);
}

// ---------------------------------------------------------------- TRasterGraphic

void TRasterGraphic::LoadFromStream(TStream& stream)
{
    std::string bytes = readGraphicBytes(stream);
    QImage image = decode(bytes);
    setContent(std::move(image), std::move(bytes));
}

void TRasterGraphic::SaveToStream(TStream& stream) const
{
    writeBytes(stream, bytes_);
}

void TRasterGraphic::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (!Empty()) canvas.StretchDraw(rect, drawnImage());
}

void TRasterGraphic::Draw(QPainter& painter, const QRectF& rect) const
{
    if (!Empty()) painter.drawImage(rect, drawnImage());
}

void TRasterGraphic::Assign(const TPersistent* source)
{
    if (source && typeid(*source) == typeid(*this))
        assignRaster(static_cast<const TRasterGraphic&>(*source));
    else
        TGraphic::Assign(source);
}

QImage TRasterGraphic::MaskedImage(TColor transparentColor) const
{
    const QImage image = Image();
    if (masked_.isNull() || maskedKey_ != transparentColor) {
        masked_ = ::MaskedImage(image, ToQColor(transparentColor));
        maskedKey_ = transparentColor;
    }
    return masked_;
}

void TRasterGraphic::setContent(QImage image, std::string bytes)
{
    masked_ = QImage();
    image_ = std::move(image);
    bytes_ = std::move(bytes);
    Changed();
}

void TRasterGraphic::assignRaster(const TRasterGraphic& source)
{
    if (&source == this) return;
    SetTransparent(source.Transparent());
    setContent(source.Image(), source.bytes_);
}

std::unique_ptr<TGraphic> TPNGObject::Clone() const
{
    auto copy = std::make_unique<TPNGObject>();
    copy->assignRaster(*this);
    return copy;
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    auto copy = std::make_unique<TJPEGImage>();
    copy->assignRaster(*this);
    return copy;
}

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    auto copy = std::make_unique<TIcon>();
    copy->assignRaster(*this);
    return copy;
}

// ---------------------------------------------------------------- TBitmap

// The bitmap's canvas: opens the painter on the bitmap's image when it
// draws, so that the image can be replaced or read in between.
class TBitmapCanvas : public TQtCanvas {
public:
    TBitmapCanvas(TBitmap& owner, QPainter& painter) : TQtCanvas(painter), owner_(owner) {}

    void Polyline(std::span<const TPoint> points) override
    {
        draw([&] { TQtCanvas::Polyline(points); });
    }
    void Polygon(std::span<const TPoint> points) override
    {
        draw([&] { TQtCanvas::Polygon(points); });
    }
    void Rectangle(int x1, int y1, int x2, int y2) override
    {
        draw([&] { TQtCanvas::Rectangle(x1, y1, x2, y2); });
    }
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override
    {
        draw([&] { TQtCanvas::RoundRect(x1, y1, x2, y2, cornerWidth, cornerHeight); });
    }
    void Ellipse(int x1, int y1, int x2, int y2) override
    {
        draw([&] { TQtCanvas::Ellipse(x1, y1, x2, y2); });
    }
    void FillRect(const TRect& rect) override
    {
        draw([&] { TQtCanvas::FillRect(rect); });
    }
    void StretchDraw(const TRect& rect, const QImage& image) override
    {
        draw([&] { TQtCanvas::StretchDraw(rect, image); });
    }
    void SetPixel(int x, int y, TColor color) override
    {
        draw([&] { TQtCanvas::SetPixel(x, y, color); });
    }
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                    std::span<const int> dx = {}) override
    {
        draw([&] { TQtCanvas::ExtTextOut(x, y, options, rect, text, dx); });
    }
    TColor Pixel(int x, int y) const override
    {
        const QImage& image = owner_.image_;
        return image.valid(x, y) ? toColor(image.pixel(x, y)) : clNone;
    }
    std::optional<TRect> ClipRect() const override { return clip_; }
    void SetClipRect(const std::optional<TRect>& rect) override
    {
        clip_ = rect;
        if (Painter().isActive()) TQtCanvas::SetClipRect(rect);
    }
    // A newly opened painter has no clip.
    void painterOpened() { TQtCanvas::SetClipRect(clip_); }

private:
    // An empty bitmap draws nothing.
    template <class F>
    void draw(F&& paint)
    {
        if (!owner_.beginCanvasDraw()) return;
        paint();
        owner_.canvasDrew();
    }

    TBitmap& owner_;
    std::optional<TRect> clip_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    canvas_.reset();
    painter_.reset();
}

void TBitmap::Publish(TClassBuilder<TBitmap>& b)
{
    b.property("Canvas", &TBitmap::Canvas).stored(false);
}

TCanvas* TBitmap::Canvas() const
{
    if (!canvas_) {
        painter_ = std::make_unique<QPainter>();
        canvas_ = std::make_unique<TBitmapCanvas>(const_cast<TBitmap&>(*this), *painter_);
    }
    return canvas_.get();
}

bool TBitmap::beginCanvasDraw()
{
    if (image_.isNull()) return false;
    if (!painter_->isActive()) {
        if (!painter_->begin(&image_)) return false;
        canvas_->painterOpened();
    }
    return true;
}

void TBitmap::canvasDrew()
{
    bytes_.clear();
    masked_ = QImage();
    Changed();
}

void TBitmap::endCanvasDraw() const
{
    if (painter_ && painter_->isActive()) painter_->end();
}

QImage TBitmap::decode(std::string_view bytes) const
{
    return DecodeBmp(bytes);
}

void TBitmap::setContent(QImage image, std::string bytes)
{
    endCanvasDraw();
    if (!bytes.empty()) pixelFormat_ = bmpPixelFormat(bytes);
    if (!bytes.empty() || !image.isNull()) {
        width_ = image.width();
        height_ = image.height();
    }
    if (!image.isNull()) image = image.convertToFormat(storageFormat(pixelFormat_));
    TRasterGraphic::setContent(std::move(image), std::move(bytes));
}

void TBitmap::SetWidth(int value)
{
    SetSize(value, height_);
}

void TBitmap::SetHeight(int value)
{
    SetSize(width_, value);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == width_ && height == height_) return;
    CheckPictureSize(width, height);
    endCanvasDraw();  // image_ is read below
    QImage resized;
    if (width > 0 && height > 0) {
        resized = QImage(width, height, storageFormat(pixelFormat_));
        if (resized.isNull()) throw EInvalidGraphic("Picture too large");
        resized.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&resized);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, image_);
        }
    }
    width_ = width;
    height_ = height;
    setContent(std::move(resized), {});
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == pixelFormat_) return;
    endCanvasDraw();
    pixelFormat_ = value;
    setContent(image_.isNull() ? QImage() : reduced(image_, value), {});
}

TColor TBitmap::TransparentColor() const
{
    if (transparentColor_ != clDefault || image_.isNull()) return transparentColor_;
    return toColor(image_.pixel(0, image_.height() - 1));
}

QImage TBitmap::Image() const
{
    endCanvasDraw();
    return image_;
}

QImage TBitmap::drawnImage() const
{
    return Transparent() ? MaskedImage(TransparentColor()) : Image();
}

void TBitmap::SaveToStream(TStream& stream) const
{
    if (!bytes_.empty() || image_.isNull()) {
        writeBytes(stream, bytes_);
        return;
    }
    endCanvasDraw();
    writeBytes(stream, EncodeBmp(reduced(image_, pixelFormat_)));
}

void TBitmap::Assign(const TPersistent* source)
{
    if (!source) {
        width_ = height_ = 0;
        setContent({}, {});
        return;
    }
    if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
        if (bitmap == this) return;
        transparentColor_ = bitmap->transparentColor_;
        pixelFormat_ = bitmap->pixelFormat_;
        width_ = bitmap->width_;
        height_ = bitmap->height_;
        SetTransparent(bitmap->Transparent());
        setContent(bitmap->Image(), bitmap->bytes_);
        return;
    }
    if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        // Other formats are drawn on white, as the platform copies them.
        QImage image;
        if (!graphic->Empty()) {
            CheckPictureSize(graphic->Width(), graphic->Height());
            image = QImage(graphic->Width(), graphic->Height(), storageFormat(pixelFormat_));
            image.fill(Qt::white);
            QPainter p(&image);
            graphic->Draw(p, QRectF(0, 0, image.width(), image.height()));
        }
        width_ = graphic->Width();
        height_ = graphic->Height();
        setContent(std::move(image), {});
        return;
    }
    TRasterGraphic::Assign(source);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(this);
    return copy;
}

// ---------------------------------------------------------------- TMetafile

bool TMetafile::Empty() const
{
    return width_ <= 0 || height_ <= 0 || (bytes_.empty() && records_.empty());
}

void TMetafile::SetWidth(int value)
{
    width_ = std::max(0, value);
    Changed();
}

void TMetafile::SetHeight(int value)
{
    height_ = std::max(0, value);
    Changed();
}

void TMetafile::LoadFromStream(TStream& stream)
{
    std::string bytes = readGraphicBytes(stream);
    const TMetafileHeader header = ReadMetafileHeader(bytes);
    bytes_ = std::move(bytes);
    records_.clear();
    width_ = header.Width;
    height_ = header.Height;
    enhanced_ = header.Enhanced;
    Changed();
}

void TMetafile::SaveToStream(TStream& stream) const
{
    if (bytes_.empty() && !records_.empty()) throw EInvalidGraphicOperation("Cannot save a recorded metafile");
    writeBytes(stream, bytes_);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (Empty() || rect.IsEmpty()) return;
    if (records_.empty()) {
        PlayMetafile(bytes_, canvas, QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()));
        return;
    }
    if (auto* qt = dynamic_cast<TQtCanvas*>(&canvas)) {
        Draw(qt->Painter(), QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()));
        return;
    }
    drawPlaceholder(canvas, rect);
}

void TMetafile::Draw(QPainter& painter, const QRectF& rect) const
{
    if (Empty() || rect.isEmpty()) return;
    if (records_.empty()) {
        PlayMetafile(bytes_, painter, rect);
        return;
    }
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / width_, rect.height() / height_);
    TQtCanvas canvas(painter);
    ReplayRecords(records_, canvas);
    painter.restore();
}

void TMetafile::Assign(const TPersistent* source)
{
    auto* metafile = dynamic_cast<const TMetafile*>(source);
    if (!metafile) {
        TGraphic::Assign(source);
        return;
    }
    if (metafile == this) return;
    bytes_ = metafile->bytes_;
    records_ = metafile->records_;
    width_ = metafile->width_;
    height_ = metafile->height_;
    enhanced_ = metafile->enhanced_;
    SetTransparent(metafile->Transparent());
    Changed();
}

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    auto copy = std::make_unique<TMetafile>();
    copy->Assign(this);
    return copy;
}

void TMetafile::setRecords(std::vector<TCanvasRecord> records)
{
    bytes_.clear();
    records_ = std::move(records);
    enhanced_ = true;
    if (width_ <= 0 || height_ <= 0) {
        int right = 0;
        int bottom = 0;
        for (const TCanvasRecord& r : records_) {
            for (const TPoint& p : r.points) right = std::max(right, p.X), bottom = std::max(bottom, p.Y);
            if (r.hasRect || r.kind == TCanvasRecord::FillRect || r.kind == TCanvasRecord::StretchDraw)
                right = std::max(right, r.rect.Right), bottom = std::max(bottom, r.rect.Bottom);
        }
        width_ = right;
        height_ = bottom;
    }
    Changed();
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, int /*referenceDevice*/) : metafile_(metafile) {}

TMetafileCanvas::~TMetafileCanvas()
{
    try {
        if (TMetafile* metafile = metafile_.get()) metafile->setRecords(Records());
    } catch (...) {
        // A change handler that fails must not end the program here.
    }
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Publish(TClassBuilder<TPicture>& b)
{
    b.property("Height", &TPicture::Height).stored(false);
    b.property("Width", &TPicture::Width).stored(false);
}

void TPicture::SetGraphic(const TGraphic* graphic)
{
    SetGraphic(graphic ? graphic->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = TNotifyEvent([this](TObject*) { Changed(); }, this);
    Changed();
}

int TPicture::Width() const
{
    return graphic_ ? graphic_->Width() : 0;
}

int TPicture::Height() const
{
    return graphic_ ? graphic_->Height() : 0;
}

std::unique_ptr<TGraphic> NewGraphicForExtension(std::string_view extension)
{
    if (!extension.empty() && extension[0] == '.') extension.remove_prefix(1);
    const std::string ext = LowerCase(extension);
    if (ext == "bmp") return std::make_unique<TBitmap>();
    if (ext == "ico") return std::make_unique<TIcon>();
    if (ext == "emf" || ext == "wmf") return std::make_unique<TMetafile>();
    if (ext == "jpg" || ext == "jpeg") return std::make_unique<TJPEGImage>();
    if (ext == "png") return std::make_unique<TPNGObject>();
    return nullptr;
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    const std::string ext =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? fileName.substr(dot + 1) : "";
    std::unique_ptr<TGraphic> graphic = NewGraphicForExtension(ext);
    if (!graphic) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const
{
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent* source)
{
    if (!source)
        SetGraphic(nullptr);
    else if (auto* picture = dynamic_cast<const TPicture*>(source))
        SetGraphic(picture->Graphic());
    else if (auto* graphic = dynamic_cast<const TGraphic*>(source))
        SetGraphic(graphic);
    else
        TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest) const
{
    if (graphic_ && dynamic_cast<TGraphic*>(dest))
        dest->Assign(graphic_.get());
    else
        TPersistent::AssignTo(dest);
}

void TPicture::Changed()
{
    OnChange(this);
}

// ---------------------------------------------------------------- loader

int32_t LoadPictureFromStream(TPicture& picture, TStream& stream, bool fromStart)
{
    const int64_t start = fromStart ? 0 : stream.Position();
    const int64_t end = stream.Seek(0, soEnd);
    stream.Seek(start, soBeginning);
    std::unique_ptr<TGraphic> graphic;
    bool cutMetafile = false;
    if (end - start > 0) {
        // A database graphic field: 1, 0x0100, then the length of the rest.
        if (end - start >= 8) {
            char h[8];
            stream.ReadBuffer(h, 8);
            const std::string_view field(h, sizeof h);
            const bool header = le::u16(field, 0) == 1 && le::u16(field, 2) == 0x0100 &&
                                int64_t(le::u32(field, 4)) == end - start - 8;
            if (!header) stream.Seek(start, soBeginning);
        }
        const int64_t data = stream.Position();
        const int64_t remaining = end - data;
        char first[100] = {};
        stream.ReadBuffer(first, std::min<int64_t>(remaining, sizeof first));
        stream.Seek(data, soBeginning);
        const std::string_view b(first, sizeof first);
        auto word = [&](size_t at) { return le::u16(b, at); };
        auto dword = [&](size_t at) { return le::u32(b, at); };
        if (remaining >= 14 && word(0) == 0x4D42)
            graphic = std::make_unique<TBitmap>();
        else if (remaining >= 2 && word(0) == 0xD8FF)
            graphic = std::make_unique<TJPEGImage>();
        else if (remaining >= 8 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8))
            graphic = std::make_unique<TPNGObject>();
        else if ((remaining >= 22 && dword(0) == 0x9AC6CDD7) || (remaining >= 100 && dword(40) == 0x464D4520))
            graphic = std::make_unique<TMetafile>();
        else if (remaining >= 6 && (word(2) == 0 || word(2) == 1))
            graphic = std::make_unique<TIcon>();
        cutMetafile = remaining < int64_t(b.size()) && IsCutEnhancedMetafile(b.substr(0, size_t(remaining)));
    }
    if (!graphic) {
        picture.SetGraphic(nullptr);
        return E_INVALIDARG;
    }
    try {
        graphic->LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        picture.SetGraphic(nullptr);
        // Too short to be taken for a metafile, an EMF cut short reads as
        // an icon: the icon's complaint would mislead.
        if (cutMetafile) throw EInvalidGraphic(kCutMetafileMessage);
        throw;
    } catch (...) {
        picture.SetGraphic(nullptr);
        throw;
    }
    picture.SetGraphic(std::move(graphic));
    return 0;
}

// ---------------------------------------------------------------- registry

void registerPictureClasses()
{
    RegisterClass<TGraphic>(TGraphic::Publish);
    RegisterClass<TBitmap>(TBitmap::Publish);
    RegisterClass<TIcon>();
    RegisterClass<TMetafile>();
    RegisterClass<TJPEGImage>();
    RegisterClass<TPNGObject>();
    RegisterClass<TPicture>(TPicture::Publish);
    RegisterClass<TMetafileCanvas>();
}

void unregisterPictureClasses()
{
    UnregisterClass<TMetafileCanvas>();
    UnregisterClass<TPicture>();
    UnregisterClass<TPNGObject>();
    UnregisterClass<TJPEGImage>();
    UnregisterClass<TMetafile>();
    UnregisterClass<TIcon>();
    UnregisterClass<TBitmap>();
    UnregisterClass<TGraphic>();
}
