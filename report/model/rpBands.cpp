#include "rpBands.h"

#include <unordered_set>

#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpPages.h"
#include "rpRes.h"

// ---------------------------------------------------------------- TrpBand

TrpBand::TrpBand(TComponent* owner) : TrpReportComponent(owner) {}

TrpBand::~TrpBand() = default;

TrpChild* TrpBand::Child() const noexcept
{
    return child_.get();
}

void TrpBand::SetChild(TrpChild* value)
{
    std::unordered_set<const TrpBand*> seen;
    for (const TrpBand* c = value; c && seen.insert(c).second; c = c->Child())
        if (c == this) throw EInvalidOperation("Circular child reference is not allowed");
    child_ = value;
}

bool TrpBand::OnDotMatrixPage() const
{
    const auto* page = dynamic_cast<const TrpReportPage*>(Parent());
    return page && page->IsDotMatrix();
}

void TrpBand::SetLeft(Extended value)
{
    if (OnDotMatrixPage()) value = Round(value / rp1CharX) * rp1CharX;
    TrpReportComponent::SetLeft(value);
}

void TrpBand::SetTop(Extended value)
{
    if (OnDotMatrixPage()) value = static_cast<Extended>(Round(value) / 17 * 17);
    TrpReportComponent::SetTop(value);
}

void TrpBand::SetHeight(Extended value)
{
    if (OnDotMatrixPage()) value = static_cast<Extended>(Round(value) / 17 * 17);
    TrpReportComponent::SetHeight(value);
}

std::string TrpBand::GetDescription() const
{
    return GetResources().Get("obBand");
}

template <class T>
void TrpBand::PublishHeld(TClassBuilder<T>& b, std::initializer_list<std::string_view> names)
{
    for (std::string_view n : names) {
        if (n == "AllowSplit") b.property(n, &TrpBand::AllowSplit).defaultValue(false);
        else if (n == "Child") b.property(n, &TrpBand::Child, &TrpBand::SetChild);
        else if (n == "KeepChild") b.property(n, &TrpBand::KeepChild).defaultValue(false);
        else if (n == "OutlineText") b.property(n, &TrpBand::OutlineText);
        else if (n == "PrintChildIfInvisible") b.property(n, &TrpBand::PrintChildIfInvisible).defaultValue(false);
        else if (n == "StartNewPage") b.property(n, &TrpBand::StartNewPage).defaultValue(false);
        else if (n == "Stretched") b.property(n, &TrpBand::Stretched).defaultValue(false);
        else throw EInvalidOperation("Unknown band property " + std::string(n));
    }
}

void TrpBand::Publish(TClassBuilder<TrpBand>& b)
{
    PublishFont(b);
    b.property("Height", &TrpComponent::Height, &TrpComponent::SetHeight);
    b.property("Left", &TrpComponent::Left, &TrpComponent::SetLeft);
    PublishParentFont(b);
    b.property("Restrictions", &TrpComponent::Restrictions, &TrpComponent::SetRestrictions)
        .defaultValue(TrpRestrictions{});
    b.property("Top", &TrpComponent::Top, &TrpComponent::SetTop);
    b.property("Vertical", &TrpBand::Vertical).defaultValue(false);
    b.property("Visible", &TrpComponent::Visible, &TrpComponent::SetVisible).defaultValue(true);
    b.property("Width", &TrpComponent::Width, &TrpComponent::SetWidth);
    b.property("OnAfterCalcHeight", &TrpBand::OnAfterCalcHeight);
    b.property("OnAfterPrint", &TrpBand::OnAfterPrint);
    b.property("OnBeforePrint", &TrpBand::OnBeforePrint);
}

// ---------------------------------------------------------------- kinds

void TrpReportTitle::Publish(TClassBuilder<TrpReportTitle>& b)
{
    PublishHeld(b, {"AllowSplit", "Child", "KeepChild", "PrintChildIfInvisible", "StartNewPage", "Stretched"});
}

void TrpReportSummary::Publish(TClassBuilder<TrpReportSummary>& b)
{
    PublishHeld(b, {"AllowSplit", "Child", "KeepChild", "PrintChildIfInvisible", "StartNewPage", "Stretched"});
}

void TrpPageHeader::Publish(TClassBuilder<TrpPageHeader>& b)
{
    PublishHeld(b, {"Child", "PrintChildIfInvisible"});
    b.property("PrintOnFirstPage", &TrpPageHeader::PrintOnFirstPage).defaultValue(true);
    PublishHeld(b, {"Stretched"});
}

void TrpPageFooter::Publish(TClassBuilder<TrpPageFooter>& b)
{
    b.property("PrintOnFirstPage", &TrpPageFooter::PrintOnFirstPage).defaultValue(true);
    b.property("PrintOnLastPage", &TrpPageFooter::PrintOnLastPage).defaultValue(true);
}

void TrpHeader::Publish(TClassBuilder<TrpHeader>& b)
{
    PublishHeld(b, {"AllowSplit", "Child", "KeepChild", "PrintChildIfInvisible"});
    b.property("ReprintOnNewPage", &TrpHeader::ReprintOnNewPage).defaultValue(false);
    PublishHeld(b, {"StartNewPage", "Stretched"});
}

void TrpFooter::Publish(TClassBuilder<TrpFooter>& b)
{
    PublishHeld(b, {"AllowSplit", "Child", "KeepChild", "PrintChildIfInvisible", "Stretched"});
}

void TrpGroupHeader::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpBand::DiffTo(out, reference);
    if (DrillDown) rpAppendText(out, " DrillName=\"", DrillName);
}

void TrpGroupHeader::Publish(TClassBuilder<TrpGroupHeader>& b)
{
    using G = TrpGroupHeader;
    PublishHeld(b, {"AllowSplit", "Child"});
    b.property("Condition", &G::Condition);
    b.property("DrillDown", &G::DrillDown).defaultValue(false);
    b.property("ExpandDrillDown", &G::ExpandDrillDown).defaultValue(false);
    PublishHeld(b, {"KeepChild"});
    b.property("KeepTogether", &G::KeepTogether).defaultValue(false);
    b.property("ReprintOnNewPage", &G::ReprintOnNewPage).defaultValue(false);
    PublishHeld(b, {"OutlineText", "PrintChildIfInvisible"});
    b.property("ResetPageNumbers", &G::ResetPageNumbers).defaultValue(false);
    b.property("ShowFooterIfDrillDown", &G::ShowFooterIfDrillDown).defaultValue(false);
    b.property("ShowChildIfDrillDown", &G::ShowChildIfDrillDown).defaultValue(false);
    PublishHeld(b, {"StartNewPage", "Stretched"});
    b.property("DrillName", &G::DrillName);
}

void TrpGroupFooter::Publish(TClassBuilder<TrpGroupFooter>& b)
{
    PublishHeld(b, {"AllowSplit", "Child"});
    b.property("HideIfSingleDataRecord", &TrpGroupFooter::HideIfSingleDataRecord).defaultValue(false);
    PublishHeld(b, {"KeepChild", "PrintChildIfInvisible", "Stretched"});
}

void TrpChild::Publish(TClassBuilder<TrpChild>& b)
{
    PublishHeld(b, {"AllowSplit", "Child", "KeepChild", "PrintChildIfInvisible", "StartNewPage", "Stretched"});
}

void TrpColumnHeader::Publish(TClassBuilder<TrpColumnHeader>& b)
{
    PublishHeld(b, {"Child", "Stretched"});
}

void TrpOverlay::Publish(TClassBuilder<TrpOverlay>& b)
{
    b.property("PrintOnTop", &TrpOverlay::PrintOnTop).defaultValue(false);
}

// ---------------------------------------------------------------- data bands

TrpDataBand::TrpDataBand(TComponent* owner) : TrpBand(owner), rows_(std::make_unique<TrpUserDataSet>())
{
    rows_->RangeEnd = reCount;
}

TrpDataBand::~TrpDataBand() = default;

TrpDataSet* TrpDataBand::DataSet() const noexcept
{
    return dataSet_.DataSet();
}

void TrpDataBand::SetDataSet(TrpDataSet* value)
{
    dataSet_.SetDataSet(value);
}

std::string TrpDataBand::DataSetName() const
{
    return dataSet_.Name();
}

void TrpDataBand::SetDataSetName(const std::string& value)
{
    dataSet_.SetName(*this, value);
}

int32_t TrpDataBand::RowCount() const
{
    return rows_->RangeEndCount;
}

void TrpDataBand::SetRowCount(int32_t value)
{
    rows_->RangeEndCount = value;
}

void TrpDataBand::SetCurColumn(int value)
{
    if (value > Columns) value = 1;
    curColumn_ = value;
    if (value == 1) ColumnOffset = 0;
    SetLeft((value - 1) * (ColumnWidth + ColumnGap));
}

std::string TrpDataBand::GetDescription() const
{
    return GetResources().Get("obDataBand");
}

void TrpDataBand::Publish(TClassBuilder<TrpDataBand>& b)
{
    using D = TrpDataBand;
    PublishHeld(b, {"AllowSplit", "Child"});
    b.property("Columns", &D::Columns).defaultValue(0);
    b.property("ColumnWidth", &D::ColumnWidth);
    b.property("ColumnGap", &D::ColumnGap);
    b.property("DataSet", &D::DataSet, &D::SetDataSet);
    b.property("DataSetName", &D::DataSetName, &D::SetDataSetName);
    b.property("FooterAfterEach", &D::FooterAfterEach).defaultValue(false);
    PublishHeld(b, {"KeepChild"});
    b.property("KeepFooter", &D::KeepFooter).defaultValue(false);
    b.property("KeepHeader", &D::KeepHeader).defaultValue(false);
    b.property("KeepTogether", &D::KeepTogether).defaultValue(false);
    PublishHeld(b, {"OutlineText", "PrintChildIfInvisible"});
    b.property("PrintIfDetailEmpty", &D::PrintIfDetailEmpty).defaultValue(false);
    b.property("RowCount", &D::RowCount, &D::SetRowCount);
    PublishHeld(b, {"StartNewPage", "Stretched"});
    b.property("OnMasterDetail", &D::OnMasterDetail);
}

void registerBandClasses()
{
    RegisterClass<TrpBand>(TrpBand::Publish);
    RegisterClass<TrpReportTitle>(TrpReportTitle::Publish);
    RegisterClass<TrpReportSummary>(TrpReportSummary::Publish);
    RegisterClass<TrpPageHeader>(TrpPageHeader::Publish);
    RegisterClass<TrpPageFooter>(TrpPageFooter::Publish);
    RegisterClass<TrpHeader>(TrpHeader::Publish);
    RegisterClass<TrpFooter>(TrpFooter::Publish);
    RegisterClass<TrpDataBand>(TrpDataBand::Publish);
    RegisterClass<TrpMasterData>();
    RegisterClass<TrpDetailData>();
    RegisterClass<TrpSubdetailData>();
    RegisterClass<TrpDataBand4>();
    RegisterClass<TrpDataBand5>();
    RegisterClass<TrpDataBand6>();
    RegisterClass<TrpGroupHeader>(TrpGroupHeader::Publish);
    RegisterClass<TrpGroupFooter>(TrpGroupFooter::Publish);
    RegisterClass<TrpChild>(TrpChild::Publish);
    RegisterClass<TrpColumnHeader>(TrpColumnHeader::Publish);
    RegisterClass<TrpColumnFooter>();
    RegisterClass<TrpOverlay>(TrpOverlay::Publish);
    RegisterClass<TrpNullBand>();
}
