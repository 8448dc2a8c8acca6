#include "rpReport.h"

#include "SysUtils.h"
#include "rpDataSets.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpRes.h"
#include "rpStyles.h"
#include "rpVariables.h"

// ---------------------------------------------------------------- TrpEngineOptions

void TrpEngineOptions::Clear()
{
    ConvertNulls = true;
    IgnoreDevByZero = false;
    DoublePass = false;
}

void TrpEngineOptions::Assign(const TPersistent* source)
{
    const auto* o = dynamic_cast<const TrpEngineOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    ConvertNulls = o->ConvertNulls;
    DoublePass = o->DoublePass;
    MaxMemSize = o->MaxMemSize;
    PrintIfEmpty = o->PrintIfEmpty;
    NewSilentMode = o->NewSilentMode;
    TempDir = o->TempDir;
    UseFileCache = o->UseFileCache;
    IgnoreDevByZero = o->IgnoreDevByZero;
}

void TrpEngineOptions::Publish(TClassBuilder<TrpEngineOptions>& b)
{
    using O = TrpEngineOptions;
    b.property("ConvertNulls", &O::ConvertNulls).defaultValue(true);
    b.property("DoublePass", &O::DoublePass).defaultValue(false);
    b.property("MaxMemSize", &O::MaxMemSize).defaultValue(10);
    b.property("PrintIfEmpty", &O::PrintIfEmpty).defaultValue(true);
    b.property("SilentMode", &O::SilentMode, &O::SetSilentMode).defaultValue(false);
    b.property("NewSilentMode", &O::NewSilentMode).defaultValue(simMessageBoxes);
    b.property("TempDir", &O::TempDir);
    b.property("UseFileCache", &O::UseFileCache).defaultValue(false);
    b.property("IgnoreDevByZero", &O::IgnoreDevByZero).defaultValue(false);
}

// ---------------------------------------------------------------- TrpReport

TrpReport::TrpReport(TComponent* owner)
    : TrpComponent(owner),
      engineOptions_(std::make_unique<TrpEngineOptions>()),
      dataSets_(std::make_unique<TrpReportDataSets>(this)),
      enabledDataSets_(std::make_unique<TrpReportDataSets>(this)),
      variables_(std::make_unique<TrpVariables>(this)),
      styles_(std::make_unique<TrpStyles>(this)),
      previewPages_(std::make_unique<TrpPreviewPages>(this))
{
    SetTreeKind(rpkReport);
    Errors.SetSorted(true);
    Errors.SetDuplicates(dupIgnore);
}

TrpReport::~TrpReport()
{
    // Objects go while the lists they notify still exist.
    Destroying();
    TrpComponent::Clear();
}

TrpPage* TrpReport::Pages(int index) const
{
    if (index < 0 || index >= PagesCount()) RaiseListIndexError(index);
    return dynamic_cast<TrpPage*>(Objects()[static_cast<size_t>(index)]);
}

TrpDataSet* TrpReport::GetDataset(std::string_view name) const
{
    TrpDataSetItem* item = dataSets_->Find(name);
    return item ? item->DataSet() : nullptr;
}

Variant TrpReport::Calc(const std::string& expression)
{
    if (!OnCalc) throw Exception("No expression evaluator: " + expression);
    return OnCalc(expression);
}

void TrpReport::AddPicture(TrpPictureView* view)
{
    previewPages_->AddPicture(view);
}

void TrpReport::Clear()
{
    TrpComponent::Clear();
    dataSets_->Clear();
    variables_->Clear();
    engineOptions_->Clear();
    styles_->Clear();
}

std::string TrpReport::GetDescription() const
{
    return GetResources().Get("obReport");
}

void TrpReport::LoadFromStream(TStream& stream)
{
    Errors.Clear();
    TrpComponent::LoadFromStream(stream);
}

void TrpReport::Notification(TComponent* component, TOperation operation)
{
    TrpComponent::Notification(component, operation);
    if (operation != opRemove) return;
    // An object being removed is half destroyed and has let go of its
    // handle: the items of a dataset gone are those that read nil now.
    for (TrpReportDataSets* list : {dataSets_.get(), enabledDataSets_.get()}) {
        if (!list) continue;
        for (int i = list->Count() - 1; i >= 0; --i)
            if (list->Items(i)->DataSetGone()) delete list->Items(i);
    }
}

void TrpReport::Publish(TClassBuilder<TrpReport>& b)
{
    b.property("EngineOptions", &TrpReport::EngineOptions, &TrpReport::setEngineOptions);
}
