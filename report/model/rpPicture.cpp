#include "rpPicture.h"

#include <filesystem>

#include "Pictures.h"
#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpImageList.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"

namespace {

// A picture in report XML: its class and the bytes of its own format, read
// back through the probing loader.
void writePicture(TrpPropWriter& writer, const TPicture& picture)
{
    const TGraphic& graphic = *picture.Graphic();
    TMemoryStream bytes;
    graphic.SaveToStream(bytes);
    writer.WriteListBegin();
    writer.WriteString(graphic.ClassName());
    writer.WriteLString(std::string_view(reinterpret_cast<const char*>(bytes.Memory()), bytes.Size()));
    writer.WriteListEnd();
}

void readPicture(TrpPropReader& reader, TPicture& picture)
{
    reader.ReadListBegin();
    const std::string className = reader.ReadString();
    const std::string bytes = reader.ReadString();
    reader.ReadListEnd();
    TStringStream data(bytes);
    if (LoadPictureFromStream(picture, data, true) == 0) return;
    // Formats the first bytes do not tell (a metafile without its key).
    const TClass* cls = GetClass(className);
    if (!cls || !cls->InheritsFrom(TGraphic::StaticClass()) || cls->IsAbstract()) return;
    std::unique_ptr<TGraphic> graphic(static_cast<TGraphic*>(cls->Create()));
    data.SetPosition(0);
    graphic->LoadFromStream(data);
    picture.SetGraphic(std::move(graphic));
}

bool hasPictureData(const TPicture& picture)
{
    const TGraphic* graphic = picture.Graphic();
    return graphic && !graphic->Empty();
}

}  // namespace

TrpPictureView::TrpPictureView(TComponent* owner) : TrpView(owner), picture_(std::make_unique<TPicture>())
{
    SetComponentStyle(0, rpcsWriteAllProperties);
    picture_->OnChange = [this](TObject*) { pictureChanged(); };
}

TrpPictureView::~TrpPictureView()
{
    picture_->OnChange = nullptr;
}

void TrpPictureView::SetAutoSize(bool value)
{
    autoSize_ = value;
    if (const TGraphic* graphic = value ? Graphic() : nullptr) {
        width_ = graphic->Width();
        height_ = graphic->Height();
    }
}

void TrpPictureView::SetPicture(const TPicture* value)
{
    picture_->Assign(value);
}

TGraphic* TrpPictureView::Graphic() const
{
    TGraphic* graphic = picture_->Graphic();
    // A picture of no width or height draws nothing (and divides nothing).
    return graphic && !graphic->Empty() && graphic->Width() > 0 && graphic->Height() > 0 ? graphic : nullptr;
}

void TrpPictureView::pictureChanged()
{
    SetAutoSize(autoSize_);
    PictureChanged = true;
}

int32_t LoadPictureFromStream(TrpPictureView& view, TStream& stream, bool fromStart)
{
    const int32_t result = LoadPictureFromStream(*view.Picture(), stream, fromStart);
    if (dynamic_cast<TPNGObject*>(view.Picture()->Graphic())) view.Picture()->OnChange(view.Picture());
    return result;
}

void TrpPictureView::GetData()
{
    TrpView::GetData();
    if (!FileLink.empty()) {
        const std::string name = ExpandExpressions(FileLink);
        std::error_code error;
        if (!std::filesystem::is_regular_file(name, error))
            picture_->SetGraphic(nullptr);
        else
            picture_->LoadFromFile(name);
        return;
    }
    if (!IsDataField() || !DataSet()->IsBlobField(DataField())) return;
    TMemoryStream blob;
    DataSet()->AssignBlobTo(DataField(), blob);
    LoadPictureFromStream(*this, blob, true);
}

void TrpPictureView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
    // Smoothed on paper, and on the screen when asked for.
    struct Smoothing {
        TCanvas& canvas;
        const bool saved = canvas.SmoothPictures();
        ~Smoothing() { canvas.SetSmoothPictures(saved); }
    } smoothing{canvas};
    canvas.SetSmoothPictures(HightQuality || Printing);
    if (const TGraphic* graphic = Graphic()) {
        const Extended gw = graphic->Width(), gh = graphic->Height();
        TRect r{X, Y, X1, Y1};
        if (Stretched) {
            if (KeepAspectRatio) {
                const Extended kx = DX / gw, ky = DY / gh;
                if (ky <= kx)
                    r.Right = r.Left + static_cast<int>(Round(gw * ky));
                else
                    r.Bottom = r.Top + static_cast<int>(Round(gh * kx));
                if (Center) {
                    const int dx = (DX - r.Width()) / 2, dy = (DY - r.Height()) / 2;
                    r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
                }
            }
            DrawGraphicStretched(canvas, r, *graphic, TransparentColor, Transparent);
        } else {
            const std::optional<TRect> saved = canvas.ClipRect();
            canvas.IntersectClipRect({X, Y, X1, Y1});
            const int w = static_cast<int>(Round(gw * scaleX)), h = static_cast<int>(Round(gh * scaleY));
            if (Center) {
                r.Left += (DX - w) / 2;
                r.Top += (DY - h) / 2;
            }
            r.Right = r.Left + w;
            r.Bottom = r.Top + h;
            DrawGraphicStretched(canvas, r, *graphic, TransparentColor, Transparent);
            canvas.SetClipRect(saved);
        }
    } else if (IsDesigning()) {
        const QImage mark = GetResources().GetObjectImages().Image(3);
        if (!mark.isNull()) canvas.Draw(X + 1, Y + 2, mark);
    }
    DrawFrame();
}

void TrpPictureView::DiffTo(std::string& out, TrpComponent* reference)
{
    if (PictureChanged) {
        if (TrpReport* report = GetReport()) report->AddPicture(this);
        PictureChanged = false;
    }
    TrpView::DiffTo(out, reference);
    rpAppendIntAttr(out, " ImageIndex=\"", ImageIndex);
    if (Transparent) out += " Transparent=\"1\"";
    if (TransparentColor != clWhite) rpAppendIntAttr(out, " TransparentColor=\"", TransparentColor);
}

std::string TrpPictureView::GetDescription() const
{
    return GetResources().Get("obPicture");
}

void TrpPictureView::DefineProperties(TrpFiler& filer)
{
    filer.DefineProperty(
        "Picture", [this](TrpPropReader& r) { readPicture(r, *picture_); },
        [this](TrpPropWriter& w) { writePicture(w, *picture_); }, PictureMark && hasPictureData(*picture_));
}

void TrpPictureView::Publish(TClassBuilder<TrpPictureView>& b)
{
    using V = TrpPictureView;
    b.property("AutoSize", &V::AutoSize, &V::SetAutoSize).defaultValue(false);
    b.property("Center", &V::Center).defaultValue(false);
    PublishCursor(b);
    PublishDataField(b);
    PublishDataSet(b);
    b.property("FileLink", &V::FileLink);
    PublishFrame(b);
    b.property("HightQuality", &V::HightQuality).defaultValue(false);
    b.property("ImageIndex", &V::ImageIndex).stored(false);
    b.property("KeepAspectRatio", &V::KeepAspectRatio).defaultValue(true);
    b.property("Picture", &V::Picture, &V::SetPicture).stored(false);
    b.property("Stretched", &V::Stretched).defaultValue(true);
    PublishTagStr(b);
    b.property("Transparent", &V::Transparent).defaultValue(false);
    b.property("TransparentColor", &V::TransparentColor).defaultValue(clWhite);
    PublishURL(b);
}

// ---- the page's background picture

namespace {

TPicture* backPicture(const TrpReportPage& page)
{
    return page.Background()->Picture();
}

void setBackPicture(TrpReportPage& page, TPicture* value)
{
    page.Background()->SetPicture(value);
}

}  // namespace

void TrpReportPage::PublishBackPicture(TClassBuilder<TrpReportPage>& b)
{
    b.property("BackPicture", &backPicture, &setBackPicture).stored(false);
}

void TrpReportPage::DefineProperties(TrpFiler& filer)
{
    TPicture& picture = *background_->Picture();
    filer.DefineProperty(
        "BackPicture", [&picture](TrpPropReader& r) { readPicture(r, picture); },
        [&picture](TrpPropWriter& w) { writePicture(w, picture); }, hasPictureData(picture));
}

void registerPictureViewClasses()
{
    RegisterClass<TrpPictureView>(TrpPictureView::Publish);
}
