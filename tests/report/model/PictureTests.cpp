#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include "ModelTestUtil.h"
#include "Pictures.h"
#include "RecordingCanvas.h"
#include "rpPicture.h"

using namespace model_test;

namespace {

constexpr QRgb kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlue = 0x0000FF;

std::string pngBytes(int w, int h, QColor fill, QColor corner = QColor())
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    if (corner.isValid()) image.setPixelColor(0, 0, corner);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

int32_t load(TrpPictureView& view, const std::string& bytes)
{
    TStringStream data(bytes);
    return LoadPictureFromStream(view, data, true);
}

std::string withHeader(const std::string& bytes, uint32_t length)
{
    std::string h = {1, 0, 0, 1, char(length), char(length >> 8), char(length >> 16), char(length >> 24)};
    return h + bytes;
}

// Rows of the column x that have the colour.
std::pair<int, int> span(const QImage& i, int x, QRgb rgb)
{
    int first = -1, last = -1;
    for (int y = 0; y < i.height(); ++y)
        if (isColor(i, x, y, rgb)) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

class CountingReport : public TrpReport {
public:
    int pictures = 0;
    void AddPicture(TrpPictureView* view) override
    {
        ++pictures;
        view->ImageIndex = pictures;
    }
};

}  // namespace

TEST(PictureView, ProbingThroughTheView)
{
    TrpPictureView view;
    const std::string png = pngBytes(3, 2, Qt::red);
    struct Case {
        std::string data;
        int32_t result;
        const char* cls;
    };
    const Case cases[] = {
        {png, 0, "TPNGObject"},
        {withHeader(png, static_cast<uint32_t>(png.size())), 0, "TPNGObject"},
        {withHeader(png, static_cast<uint32_t>(png.size()) + 1), E_INVALIDARG, nullptr},
        {std::string("BM") + std::string(8, 'x'), E_INVALIDARG, nullptr},
        {std::string(""), E_INVALIDARG, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load(view, c.data), c.result);
        if (c.cls) {
            ASSERT_NE(view.Picture()->Graphic(), nullptr);
            EXPECT_EQ(view.Picture()->Graphic()->ClassName(), c.cls);
        } else {
            EXPECT_EQ(view.Picture()->Graphic(), nullptr);
        }
    }
    // " EMF" at offset 40 of 100 bytes or more is a metafile: its bytes are
    // kept and it plays its records into the frame's size.
    std::string emf(120, '\0');
    auto put = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) emf[at + k] = static_cast<char>(v >> (8 * k));
    };
    put(0, 1);
    put(32, 2540);  // frame right and bottom in hundredths of a millimetre
    put(36, 1270);
    emf.replace(40, 4, " EMF");
    EXPECT_EQ(load(view, emf), 0);
    ASSERT_NE(view.Picture()->Graphic(), nullptr);
    EXPECT_EQ(view.Picture()->Graphic()->ClassName(), "TMetafile");
    EXPECT_EQ(view.Picture()->Width(), 96);
    // Shorter, the same bytes pass for an icon (a word 0 at offset 2), which
    // then does not decode.
    EXPECT_THROW(load(view, emf.substr(0, 99)), EInvalidGraphic);
    // FF D8 is taken for a JPEG, whose decoder then refuses it.
    EXPECT_THROW(load(view, "\xFF\xD8xxxx"), EInvalidGraphic);
    // The picture's change re-applies AutoSize and marks it changed.
    view.SetAutoSize(true);
    view.PictureChanged = false;
    EXPECT_EQ(load(view, pngBytes(30, 20, Qt::red)), 0);
    EXPECT_EQ(view.Width(), 30);
    EXPECT_EQ(view.Height(), 20);
    EXPECT_TRUE(view.PictureChanged);
}

TEST(PictureView, StretchedWithAspectAndCentre)
{
    TrpPictureView view;
    view.SetBounds(10, 10, 100, 100);
    load(view, pngBytes(200, 100, Qt::red));
    {
        Image img(150, 150);
        view.Draw(*img.canvas, 1, 1, 0, 0);
        const QImage& i = img.done();
        EXPECT_EQ(span(i, 50, kRed), std::make_pair(10, 59));
        EXPECT_TRUE(isColor(i, 109, 30, kRed) && isColor(i, 110, 30, kWhite));
    }
    view.Center = true;
    {
        Image img(150, 150);
        view.Draw(*img.canvas, 1, 1, 0, 0);
        EXPECT_EQ(span(img.done(), 50, kRed), std::make_pair(35, 84));
    }
    // Zoom 2, and equal ratios keep the whole object.
    view.SetBounds(10, 10, 100, 50);
    {
        Image img(300, 300);
        view.Draw(*img.canvas, 2, 2, 0, 0);
        EXPECT_EQ(span(img.done(), 100, kRed), std::make_pair(20, 119));
    }
    // Without the aspect kept the picture fills the object.
    view.SetBounds(10, 10, 100, 100);
    view.KeepAspectRatio = false;
    {
        Image img(150, 150);
        view.Draw(*img.canvas, 1, 1, 0, 0);
        EXPECT_EQ(span(img.done(), 50, kRed), std::make_pair(10, 109));
    }
}

TEST(PictureView, UnstretchedIsClippedAndTransparentLeavesItsColour)
{
    TrpPictureView view;
    view.SetBounds(10, 10, 20, 20);
    view.Stretched = false;
    load(view, pngBytes(50, 50, Qt::red));
    Image img(100, 100);
    img.image.fill(kBlue);
    view.Draw(*img.canvas, 1, 1, 0, 0);
    EXPECT_FALSE(img.canvas->ClipRect().has_value());
    const QImage& i = img.done();
    EXPECT_TRUE(isColor(i, 29, 29, kRed));
    EXPECT_TRUE(isColor(i, 30, 30, kBlue) && isColor(i, 35, 15, kBlue));

    TrpPictureView clear;
    clear.SetBounds(0, 0, 10, 10);
    clear.Transparent = true;
    load(clear, pngBytes(10, 10, Qt::white, Qt::red));
    Image img2(20, 20);
    img2.image.fill(kBlue);
    clear.Draw(*img2.canvas, 1, 1, 0, 0);
    const QImage& j = img2.done();
    EXPECT_TRUE(isColor(j, 0, 0, kRed));
    EXPECT_TRUE(isColor(j, 5, 5, kBlue));
}

TEST(PictureView, HightQualitySmoothsOnTheScreenAndPaperIsAlwaysSmoothed)
{
    // A black and a white pixel stretched forty times: smoothing leaves
    // greys between them, the nearest pixels none.
    TrpPictureView view;
    view.SetBounds(0, 0, 80, 20);
    view.KeepAspectRatio = false;
    load(view, pngBytes(2, 1, Qt::white, Qt::black));
    auto greys = [](const QImage& i) {
        int n = 0;
        for (int x = 0; x < 80; ++x)
            if (const int g = qGreen(i.pixel(x, 10)); g > 16 && g < 240) ++n;
        return n;
    };
    auto drawn = [&](bool replayed) {
        Image img(80, 20);
        if (!replayed) {
            view.Draw(*img.canvas, 1, 1, 0, 0);
            EXPECT_TRUE(img.canvas->SmoothPictures()) << "the canvas is given back as it was";
        } else {
            // A printed page is recorded, then played into the document.
            TRecordingCanvas recorded;
            view.Draw(recorded, 1, 1, 0, 0);
            recorded.Replay(*img.canvas);
        }
        return greys(img.done());
    };
    for (const bool replayed : {false, true}) {
        view.HightQuality = false;
        EXPECT_EQ(drawn(replayed), 0) << replayed;
        view.HightQuality = true;
        EXPECT_GT(drawn(replayed), 10) << replayed;
        view.HightQuality = false;
        view.Printing = true;
        EXPECT_GT(drawn(replayed), 10) << replayed;
        view.Printing = false;
    }
}

TEST(PictureView, AZeroSizedPictureIsEmpty)
{
    TrpPictureView view;
    view.SetBounds(10, 10, 40, 30);
    view.SetAutoSize(true);
    TBitmap empty;
    empty.SetSize(0, 25);
    TPicture picture;
    picture.Assign(&empty);
    view.SetPicture(&picture);
    EXPECT_EQ(view.Graphic(), nullptr);
    EXPECT_EQ(view.Width(), 40);
    TRecordingCanvas canvas;
    view.Draw(canvas, 1, 1, 0, 0);
    for (const TCanvasRecord& r : canvas.Records()) EXPECT_NE(r.kind, TCanvasRecord::StretchDraw);
}

TEST(PictureView, DiffCarriesTheImageIndexAndHandsChangesToThePreparedPages)
{
    CountingReport report;
    auto* page = new TrpReportPage(&report);
    auto* band = new TrpMasterData(page);
    auto* view = new TrpPictureView(band);
    TrpPictureView reference;
    EXPECT_EQ(view->Diff(&reference), " ImageIndex=\"0\"");
    load(*view, pngBytes(4, 4, Qt::red));
    view->Transparent = true;
    view->TransparentColor = clRed;
    EXPECT_EQ(view->Diff(&reference), " ImageIndex=\"1\" Transparent=\"1\" TransparentColor=\"255\"");
    EXPECT_EQ(view->Diff(&reference), " ImageIndex=\"1\" Transparent=\"1\" TransparentColor=\"255\"");
    EXPECT_EQ(report.pictures, 1);
}

TEST(PictureView, ReportFilesKeepThePictureBytes)
{
    Sample s;
    auto* view = new TrpPictureView(s.band);
    view->SetName("Picture1");
    const std::string png = pngBytes(7, 5, Qt::red);
    load(*view, png);
    load(*s.page->Background(), pngBytes(2, 2, Qt::blue));
    const std::string xml = saveXml(*s.report);
    EXPECT_NE(xml.find("PropData=\""), std::string::npos);
    TrpReport copy;
    loadXml(copy, xml);
    auto* back = dynamic_cast<TrpPictureView*>(copy.FindObject("Picture1"));
    ASSERT_NE(back, nullptr);
    auto* graphic = dynamic_cast<TPNGObject*>(back->Picture()->Graphic());
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(graphic->EncodedBytes(), png);
    auto* page = dynamic_cast<TrpReportPage*>(copy.FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Background()->Picture()->Width(), 2);
    EXPECT_EQ(saveXml(copy), xml);

    // Without the picture mark the picture stays out.
    view->PictureMark = false;
    EXPECT_EQ(saveXml(*view).find("PropData"), std::string::npos);
}

TEST(PictureView, FileLinksAndBlobFields)
{
    Sample s;
    QTemporaryDir dir;
    const std::string file = dir.filePath("logo.png").toStdString();
    TFileStream(file, fmCreate).WriteString(pngBytes(6, 3, Qt::red));
    s.values["dir"] = Variant(dir.path().toStdString());
    auto* view = new TrpPictureView(s.band);
    view->FileLink = "[dir]/logo.png";
    view->GetData();
    EXPECT_EQ(view->Picture()->Width(), 6);
    view->FileLink = "[dir]/missing.png";
    view->GetData();
    EXPECT_EQ(view->Picture()->Graphic(), nullptr);

    class BlobSource : public TrpUserDataSet {
    public:
        using TrpUserDataSet::TrpUserDataSet;
        bool IsBlobField(const std::string& field) override { return field == "logo"; }
        void AssignBlobTo(const std::string&, TStream& target) override
        {
            target.WriteString(withHeader(pngBytes(8, 2, Qt::red), 0));
        }
    };
    auto* source = new BlobSource(s.data);
    view->FileLink.clear();
    view->SetDataSet(source);
    view->SetDataField("logo");
    view->GetData();
    EXPECT_EQ(view->Picture()->Graphic(), nullptr);  // the header's length is wrong: no picture
}
