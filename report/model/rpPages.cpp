#include "rpPages.h"

#include <utility>

#include "SysUtils.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpPicture.h"
#include "rpPrinter.h"
#include "rpRes.h"
#include "rpShapes.h"

void TrpPage::Publish(TClassBuilder<TrpPage>& b)
{
    PublishFont(b);
    b.property("Visible", &TrpComponent::Visible, &TrpComponent::SetVisible).defaultValue(true);
}

// ---------------------------------------------------------------- TrpReportPage

TrpReportPage::TrpReportPage(TComponent* owner) : TrpPage(owner), background_(std::make_unique<TrpPictureView>())
{
    background_->SetColor(clNone);
    background_->KeepAspectRatio = false;
    SetPaperSize(9);
    SetBaseName("Page");
}

TrpReportPage::~TrpReportPage() = default;

void TrpReportPage::UpdateDimensions()
{
    width_ = static_cast<Extended>(Round(paperWidth_ * rp01cm));
    height_ = static_cast<Extended>(Round(paperHeight_ * rp01cm));
}

void TrpReportPage::SetOrientation(TPrinterOrientation value)
{
    if (value == orientation_) return;
    orientation_ = value;
    if (IsLoading()) return;
    std::swap(paperWidth_, paperHeight_);
    const Extended l = LeftMargin, r = RightMargin, t = TopMargin, b = BottomMargin;
    if (value == poLandscape) {
        LeftMargin = t;
        RightMargin = b;
        TopMargin = r;
        BottomMargin = l;
    } else {
        LeftMargin = b;
        RightMargin = t;
        TopMargin = l;
        BottomMargin = r;
    }
    UpdateDimensions();
}

void TrpReportPage::SetPaperWidth(Extended value)
{
    paperWidth_ = static_cast<Extended>(Round(value * 1e8L)) / 1e8L;
    if (IsLoading()) return;
    paperSize_ = DMPAPER_USER;
    UpdateDimensions();
}

void TrpReportPage::SetPaperHeight(Extended value)
{
    paperHeight_ = static_cast<Extended>(Round(value * 1e8L)) / 1e8L;
    if (IsLoading()) return;
    paperSize_ = DMPAPER_USER;
    UpdateDimensions();
}

void TrpReportPage::SetPaperSize(int32_t value)
{
    paperSize_ = value;
    if (IsLoading()) return;
    Extended w = 0, h = 0;
    if (value < DMPAPER_USER && GetPaperDimensions(value, w, h)) {
        if (orientation_ == poLandscape) std::swap(w, h);
        paperWidth_ = w;
        paperHeight_ = h;
    }
    UpdateDimensions();
}

void TrpReportPage::SetDefaults()
{
    LeftMargin = RightMargin = TopMargin = BottomMargin = 10;
    if (TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter()) {
        if (printer->PaperSize() > 0) {
            paperSize_ = printer->PaperSize();
            paperWidth_ = printer->PaperWidth();
            paperHeight_ = printer->PaperHeight();
            orientation_ = printer->Orientation() ? poLandscape : poPortrait;
        } else {
            // A printer that has not been given a paper yet (the virtual
            // one) has only its defaults, portrait.
            paperSize_ = printer->DefPaper();
            orientation_ = printer->DefOrientation() ? poLandscape : poPortrait;
            paperWidth_ = printer->DefOrientation() ? printer->DefPaperHeight() : printer->DefPaperWidth();
            paperHeight_ = printer->DefOrientation() ? printer->DefPaperWidth() : printer->DefPaperHeight();
        }
    }
    UpdateDimensions();
}

void TrpReportPage::Loaded()
{
    TrpPage::Loaded();
    UpdateDimensions();
}

void TrpReportPage::SetColumns(int32_t value)
{
    if (value > kMaxColumns) throw EPropertyError("Invalid property value");
    columns_ = value;
    columnPositions_->Clear();
    if (value <= 0) return;
    ColumnWidth = (paperWidth_ - LeftMargin - RightMargin) / value;
    for (int i = 0; i < value; ++i) columnPositions_->Add(FloatToStr(i * ColumnWidth));
}

void TrpReportPage::SetPageCount(int32_t value)
{
    if (value >= 1) pageCount_ = value;
}

TColor TrpReportPage::Color() const
{
    return background_->Color();
}

void TrpReportPage::SetColor(TColor value)
{
    background_->SetColor(value);
}

TrpFrame* TrpReportPage::Frame() const
{
    return background_->Frame();
}

void TrpReportPage::SetFrame(const TrpFrame* value)
{
    background_->SetFrame(value);
}

TrpDataSet* TrpReportPage::DataSet() const noexcept
{
    return dataSet_.DataSet();
}

void TrpReportPage::SetDataSet(TrpDataSet* value)
{
    dataSet_.SetDataSet(value);
}

std::string TrpReportPage::DataSetName() const
{
    return dataSet_.Name();
}

void TrpReportPage::SetDataSetName(const std::string& value)
{
    dataSet_.SetName(*this, value);
}

TrpSubreport* TrpReportPage::Subreport() const noexcept
{
    return subreport_.get();
}

void TrpReportPage::SetSubreport(TrpSubreport* value)
{
    subreport_ = value;
}

namespace {

// Bands that always span the whole page, whatever its columns.
bool isPageWide(const TrpBand* band)
{
    return dynamic_cast<const TrpReportTitle*>(band) || dynamic_cast<const TrpReportSummary*>(band) ||
           dynamic_cast<const TrpPageHeader*>(band) || dynamic_cast<const TrpPageFooter*>(band) ||
           dynamic_cast<const TrpOverlay*>(band) || dynamic_cast<const TrpNullBand*>(band);
}

}  // namespace

void TrpReportPage::AlignChildren()
{
    width_ = rp01cm * (paperWidth_ - LeftMargin - RightMargin);
    height_ = rp01cm * (paperHeight_ - TopMargin - BottomMargin);
    TrpPage::AlignChildren();
    for (TrpComponent* child : Objects()) {
        auto* band = dynamic_cast<TrpBand*>(child);
        if (!band) continue;
        if (band->Vertical)
            band->SetHeight(Height() - band->Top());
        else if (columns_ > 1 && !isPageWide(band))
            band->SetWidth(ColumnWidth * rp01cm);
        else
            band->SetWidth(Width() - band->Left());
        band->AlignChildren();
    }
}

void TrpReportPage::DrawBackground(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                   Extended offsetY, bool printing)
{
    background_->SetBounds(0, 0, rp01cm * (paperWidth_ - LeftMargin - RightMargin),
                           rp01cm * (paperHeight_ - TopMargin - BottomMargin));
    if (!BackPictureVisible || (printing && !BackPicturePrintable)) return;
    background_->Printing = printing;
    background_->Draw(canvas, scaleX, scaleY, offsetX + LeftMargin * rp01cm * scaleX,
                      offsetY + TopMargin * rp01cm * scaleY);
}

std::string TrpReportPage::GetDescription() const
{
    return GetResources().Get("obRepPage");
}

void TrpReportPage::Publish(TClassBuilder<TrpReportPage>& b)
{
    using P = TrpReportPage;
    b.property("Orientation", &P::Orientation, &P::SetOrientation).defaultValue(poPortrait);
    b.property("PaperWidth", &P::PaperWidth, &P::SetPaperWidth);
    b.property("PaperHeight", &P::PaperHeight, &P::SetPaperHeight);
    b.property("PaperSize", &P::PaperSize, &P::SetPaperSize).defaultValue(DMPAPER_A4);
    b.property("LeftMargin", &P::LeftMargin);
    b.property("RightMargin", &P::RightMargin);
    b.property("TopMargin", &P::TopMargin);
    b.property("BottomMargin", &P::BottomMargin);
    b.property("MirrorMargins", &P::MirrorMargins).defaultValue(false);
    b.property("Columns", &P::Columns, &P::SetColumns).defaultValue(0);
    b.property("ColumnWidth", &P::ColumnWidth);
    b.property("ColumnPositions", &P::ColumnPositions, &P::SetColumnPositions);
    b.property("Bin", &P::Bin).defaultValue(DMBIN_AUTO);
    b.property("BinOtherPages", &P::BinOtherPages).defaultValue(DMBIN_AUTO);
    PublishBackPicture(b);
    b.property("BackPictureVisible", &P::BackPictureVisible).defaultValue(true);
    b.property("BackPicturePrintable", &P::BackPicturePrintable).defaultValue(true);
    b.property("PageCount", &P::PageCount, &P::SetPageCount).defaultValue(1);
    b.property("Color", &P::Color, &P::SetColor).defaultValue(clNone);
    b.property("Frame", &P::Frame, &P::SetFrame);
    b.property("DataSet", &P::DataSet, &P::SetDataSet);
    b.property("DataSetName", &P::DataSetName, &P::SetDataSetName);
    b.property("Duplex", &P::Duplex).defaultValue(dmNone);
    b.property("EndlessHeight", &P::EndlessHeight).defaultValue(false);
    b.property("EndlessWidth", &P::EndlessWidth).defaultValue(false);
    b.property("LargeDesignHeight", &P::LargeDesignHeight).defaultValue(false);
    b.property("OutlineText", &P::OutlineText);
    b.property("PrintIfEmpty", &P::PrintIfEmpty).defaultValue(true);
    b.property("PrintOnPreviousPage", &P::PrintOnPreviousPage).defaultValue(false);
    b.property("ResetPageNumbers", &P::ResetPageNumbers).defaultValue(false);
    b.property("TitleBeforeHeader", &P::TitleBeforeHeader).defaultValue(true);
    b.property("HGuides", &P::HGuides, &P::SetHGuides);
    b.property("VGuides", &P::VGuides, &P::SetVGuides);
    b.property("OnAfterPrint", &P::OnAfterPrint);
    b.property("OnBeforePrint", &P::OnBeforePrint);
    b.property("OnManualBuild", &P::OnManualBuild);
}

// ---------------------------------------------------------------- data and dialog pages

std::string TrpDataPage::GetDescription() const
{
    return GetResources().Get("obDataPage");
}

void TrpDataPage::Publish(TClassBuilder<TrpDataPage>& b)
{
    b.property("Height", &TrpComponent::Height, &TrpComponent::SetHeight);
    b.property("Left", &TrpComponent::Left, &TrpComponent::SetLeft);
    b.property("Top", &TrpComponent::Top, &TrpComponent::SetTop);
    b.property("Width", &TrpComponent::Width, &TrpComponent::SetWidth);
}

void registerPageClasses()
{
    RegisterClass<TrpPage>(TrpPage::Publish);
    RegisterClass<TrpReportPage>(TrpReportPage::Publish);
    RegisterClass<TrpDataPage>(TrpDataPage::Publish);
    RegisterClass<TrpDialogPage>(TrpDialogPage::Publish);
}
