// Stage without picture classes: the view's properties and frame only.
#include "rpPicture.h"

#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"

class TPicture : public TPersistent {};
class TGraphic : public TPersistent {};

TrpPictureView::TrpPictureView(TComponent* owner) : TrpView(owner)
{
    SetComponentStyle(0, rpcsWriteAllProperties);
}

TrpPictureView::~TrpPictureView() = default;

void TrpPictureView::SetAutoSize(bool value)
{
    autoSize_ = value;
}

void TrpPictureView::SetPicture(const TPicture*) {}

TGraphic* TrpPictureView::Graphic() const
{
    return nullptr;
}

void TrpPictureView::pictureChanged()
{
    SetAutoSize(autoSize_);
    PictureChanged = true;
}

void TrpPictureView::GetData()
{
    TrpView::GetData();
}

void TrpPictureView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
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

void TrpPictureView::DefineProperties(TrpFiler&) {}

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
    b.property("Stretched", &V::Stretched).defaultValue(true);
    PublishTagStr(b);
    b.property("Transparent", &V::Transparent).defaultValue(false);
    b.property("TransparentColor", &V::TransparentColor).defaultValue(clWhite);
    PublishURL(b);
}

void TrpReportPage::PublishBackPicture(TClassBuilder<TrpReportPage>&) {}

void registerPictureViewClasses()
{
    RegisterClass<TrpPictureView>(TrpPictureView::Publish);
}
