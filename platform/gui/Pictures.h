#pragma once
// The platform's pictures: TGraphic and its formats (bitmap, PNG, JPEG,
// icon, metafile), TPicture that holds one graphic, and the loader that
// picks the format from the data's first bytes. Pictures read from data
// keep their encoded bytes, so that saving writes exactly what was read
// (prepared reports and report files store pictures in their own format).
// Metafiles are kept as bytes and played when drawn (MetafilePlayer.h).

#include <QImage>
#include <QRectF>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Canvas.h"
#include "ImageCodecs.h"
#include "RecordingCanvas.h"
#include "Streams.h"

class QPainter;
class TBitmapCanvas;
class TMetafileCanvas;

// Abstract base of the picture formats. OnChange fires after every change
// of the content.
class TGraphic : public TPersistent {
    DORVAK_CLASS(TGraphic, TPersistent)
public:
    ~TGraphic() override;

    // Nothing to draw: no content, or a width or height of 0.
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Formats read from data keep their size: EInvalidGraphicOperation
    // "Cannot change the size of a %s" (the class name).
    virtual void SetWidth(int value);
    virtual void SetHeight(int value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    // Reads the graphic's own format from the stream's position to its end
    // (where a seek of 0 from the end lands); bad data raises
    // EInvalidGraphic and leaves the graphic as it was.
    virtual void LoadFromStream(TStream& stream) = 0;
    // Writes the graphic's own format; an empty graphic writes nothing.
    virtual void SaveToStream(TStream& stream) const = 0;
    void LoadFromFile(const std::string& fileName);
    // Nothing is created when saving fails.
    void SaveToFile(const std::string& fileName) const;

    // Stretched into the rectangle, with the graphic's own transparency.
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
    virtual void Draw(QPainter& painter, const QRectF& rect) const = 0;
    // The decoded pixels; null for metafiles and empty graphics.
    virtual QImage Image() const { return {}; }
    // A new graphic of the same class with the same content.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    TNotifyEvent OnChange;

    // Published: Height, Width (not stored).
    static void Publish(TClassBuilder<TGraphic>& b);

protected:
    TGraphic() = default;
    virtual void Changed();

private:
    bool transparent_ = false;
};

// Pixel graphics: a decoded image and, when read from data, the bytes it
// came from.
class TRasterGraphic : public TGraphic {
public:
    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    void Draw(QPainter& painter, const QRectF& rect) const override;
    QImage Image() const override { return image_; }
    // From a graphic of the same class.
    void Assign(const TPersistent* source) override;
    // The bytes the picture was read from; empty when made in the program.
    const std::string& EncodedBytes() const { return bytes_; }
    // The image with the pixels of one colour transparent, kept until the
    // content or the colour changes.
    QImage MaskedImage(TColor transparentColor) const;

protected:
    virtual QImage decode(std::string_view bytes) const = 0;
    // What Draw paints.
    virtual QImage drawnImage() const { return image_; }
    // Replaces the content and tells the listeners.
    virtual void setContent(QImage image, std::string bytes);
    void assignRaster(const TRasterGraphic& source);

    QImage image_;
    std::string bytes_;
    mutable QImage masked_;
    mutable TColor maskedKey_ = clNone;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// A bitmap with a canvas that draws into it. Drawing, resizing or a new
// pixel format drop the bytes it was read from; it is then saved as a BMP
// of its pixel format (24 bits for pfDevice).
class TBitmap : public TRasterGraphic {
    DORVAK_CLASS(TBitmap, TRasterGraphic)
public:
    TBitmap();
    ~TBitmap() override;

    // New area is white; the old pixels keep their place. Negative sizes
    // count as 0; absurd ones raise EInvalidGraphic.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat value);
    // The colour left undrawn when Transparent: the bottom-left pixel
    // unless one was set (clDefault returns to that).
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value) { transparentColor_ = value; }

    // Draws into the bitmap; the same object for the bitmap's life.
    TCanvas* Canvas() const;

    // From any graphic: its pixels, or it drawn on white. nil empties.
    void Assign(const TPersistent* source) override;
    void SaveToStream(TStream& stream) const override;
    std::unique_ptr<TGraphic> Clone() const override;
    QImage Image() const override;

    // Published: Canvas (read-only, not stored).
    static void Publish(TClassBuilder<TBitmap>& b);

protected:
    QImage decode(std::string_view bytes) const override;
    QImage drawnImage() const override;
    void setContent(QImage image, std::string bytes) override;

private:
    friend class TBitmapCanvas;
    // The painter is open on image_ only while the canvas draws.
    bool beginCanvasDraw();
    void canvasDrew();
    void endCanvasDraw() const;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    TColor transparentColor_ = clDefault;
    mutable std::unique_ptr<QPainter> painter_;
    mutable std::unique_ptr<TBitmapCanvas> canvas_;
};

class TPNGObject : public TRasterGraphic {
    DORVAK_CLASS(TPNGObject, TRasterGraphic)
public:
    std::unique_ptr<TGraphic> Clone() const override;

protected:
    QImage decode(std::string_view bytes) const override { return DecodePng(bytes); }
};

class TJPEGImage : public TRasterGraphic {
    DORVAK_CLASS(TJPEGImage, TRasterGraphic)
public:
    std::unique_ptr<TGraphic> Clone() const override;

protected:
    QImage decode(std::string_view bytes) const override { return DecodeJpeg(bytes); }
};

// Drawn with the alpha of its image and mask; always transparent.
class TIcon : public TRasterGraphic {
    DORVAK_CLASS(TIcon, TRasterGraphic)
public:
    TIcon() { SetTransparent(true); }
    std::unique_ptr<TGraphic> Clone() const override;

protected:
    QImage decode(std::string_view bytes) const override { return DecodeIco(bytes); }
};

// An enhanced or placeable Windows metafile kept as its bytes, or the
// drawing a TMetafileCanvas recorded. Read metafiles play their records
// into the rectangle on any canvas (a damaged one draws nothing); recorded
// ones replay their drawing, scaled, on a painter or a TQtCanvas (a grey
// frame with a diagonal cross on other canvases).
class TMetafile : public TGraphic {
    DORVAK_CLASS(TMetafile, TGraphic)
public:
    bool Empty() const override;
    // From the header; the size set is the one drawn (the bytes stay).
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Enhanced() const { return enhanced_; }
    void LoadFromStream(TStream& stream) override;
    // A recorded drawing has no stored form: EInvalidGraphicOperation
    // "Cannot save a recorded metafile".
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    void Draw(QPainter& painter, const QRectF& rect) const override;
    void Assign(const TPersistent* source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    const std::string& EncodedBytes() const { return bytes_; }

private:
    friend class TMetafileCanvas;
    void setRecords(std::vector<TCanvasRecord> records);

    std::string bytes_;
    std::vector<TCanvasRecord> records_;
    int width_ = 0;
    int height_ = 0;
    bool enhanced_ = true;
};

// Records drawing into a metafile: the metafile takes the drawing when the
// canvas is destroyed (its size from the drawing when it had none). The
// reference device of the platform is not used.
class TMetafileCanvas : public TRecordingCanvas {
    DORVAK_CLASS(TMetafileCanvas, TRecordingCanvas)
public:
    TMetafileCanvas(TMetafile* metafile, int referenceDevice);
    ~TMetafileCanvas() override;

private:
    Ref<TMetafile> metafile_;
};

// Holds one graphic (or none). OnChange fires when the graphic is
// replaced or changes.
class TPicture : public TPersistent {
    DORVAK_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of the graphic; nil empties the picture.
    void SetGraphic(const TGraphic* graphic);
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    void SetGraphic(std::nullptr_t) { SetGraphic(std::unique_ptr<TGraphic>()); }
    // 0 without a graphic.
    int Width() const;
    int Height() const;

    // The format by the file's extension (.bmp .ico .emf .wmf .jpg .jpeg
    // .png, any case); another raises EInvalidGraphic "Unknown picture file
    // extension (.%s)". A file that fails to load leaves the picture as it was.
    void LoadFromFile(const std::string& fileName);
    // The graphic in its own format; nothing without one.
    void SaveToFile(const std::string& fileName) const;

    // From a picture, a graphic or nil.
    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChange;

    // Published: Height, Width (read-only, not stored).
    static void Publish(TClassBuilder<TPicture>& b);

protected:
    void AssignTo(TPersistent* dest) const override;
    virtual void Changed();

private:
    std::unique_ptr<TGraphic> graphic_;
};

// The graphic class for a file extension with or without its dot, nullptr
// when no format takes it.
std::unique_ptr<TGraphic> NewGraphicForExtension(std::string_view extension);

// The platform's E_INVALIDARG, LoadPictureFromStream's "not recognised".
constexpr int32_t E_INVALIDARG = static_cast<int32_t>(0x80070057u);

// Loads a picture from data whose format is told by its first bytes: a
// leading 8-byte database graphic-field header (1, 0x0100, length of the
// rest) is skipped; then "BM" (14 bytes or more) is a bitmap, FF D8 a JPEG,
// the PNG signature a PNG, the placeable key (22 bytes or more) or " EMF"
// at offset 40 (100 bytes or more) a metafile, and a word 0 or 1 at offset
// 2 (6 bytes or more) an icon. Reads from position 0 or, without
// fromStart, from the stream's position. Returns 0, or E_INVALIDARG with
// the picture cleared when no format matched; data the format's decoder
// rejects clears the picture and raises its EInvalidGraphic.
int32_t LoadPictureFromStream(TPicture& picture, TStream& stream, bool fromStart);

// Draws the graphic stretched into the rectangle; with transparent, the
// pixels of transparentColor stay undrawn (raster graphics; a metafile
// draws as it is).
void DrawGraphicStretched(TCanvas& canvas, const TRect& rect, const TGraphic& graphic, TColor transparentColor,
                          bool transparent);

// The image with the pixels of one colour made fully transparent, in
// Format_ARGB32: transparent drawing that works on PDF and printers too,
// where raster operations do not.
QImage MaskedImage(const QImage& image, QColor transparent);

// Registers TGraphic, TBitmap, TIcon, TMetafile, TJPEGImage, TPNGObject,
// TPicture and TMetafileCanvas (after registerCoreClasses and
// registerCanvasClasses).
void registerPictureClasses();
void unregisterPictureClasses();
