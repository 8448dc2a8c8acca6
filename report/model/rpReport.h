#pragma once
// The report object as far as the model needs it: the root of the page
// tree with its dataset lists, variables, styles, engine options, error
// list, text drawer and the hooks through which printed objects reach the
// expression evaluator and the prepared pages. The report's storage,
// preparation and expressions build on this class.

#include <functional>
#include <memory>
#include <string>

#include "StringLists.h"
#include "rpClass.h"
#include "rpGraphicUtils.h"

class TrpReportDataSets;
class TrpVariables;
class TrpStyles;
class TrpPictureView;
class TrpCustomPreviewPages;

class TrpEngineOptions : public TPersistent {
    DORVAK_CLASS(TrpEngineOptions, TPersistent)
public:
    bool ConvertNulls = true;
    bool DestroyForms = true;
    bool DoublePass = false;
    int32_t MaxMemSize = 10;
    bool PrintIfEmpty = true;
    TrpSilentMode NewSilentMode = simMessageBoxes;
    std::string TempDir;
    bool UseFileCache = false;
    bool IgnoreDevByZero = false;
    bool BackgroundMode = false;
    bool GlobalDataSetLookup = true;

    // Reads True for simSilent; writing chooses simSilent or message boxes.
    bool SilentMode() const noexcept { return NewSilentMode == simSilent; }
    void SetSilentMode(bool value) noexcept { NewSilentMode = value ? simSilent : simMessageBoxes; }
    // Resets ConvertNulls, IgnoreDevByZero and DoublePass only.
    void Clear();
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpEngineOptions>& b);
};

// What a printed object asks of its report: an expression's value.
using TrpCalcFunction = std::function<Variant(const std::string& expression)>;

class TrpReport : public TrpComponent {
    DORVAK_CLASS(TrpReport, TrpComponent)
public:
    explicit TrpReport(TComponent* owner = nullptr);
    ~TrpReport() override;

    TrpEngineOptions* EngineOptions() const noexcept { return engineOptions_.get(); }
    // The datasets the report uses, and those enabled for name lookup.
    TrpReportDataSets* DataSets() const noexcept { return dataSets_.get(); }
    TrpReportDataSets* EnabledDataSets() const noexcept { return enabledDataSets_.get(); }
    TrpVariables* Variables() const noexcept { return variables_.get(); }
    TrpStyles* Styles() const noexcept { return styles_.get(); }
    // Sorted, each message once.
    TStringList Errors;
    // The report's own text drawer (under the shared drawer lock).
    TrpDrawText& DrawText() noexcept { return drawText_; }
    // The serializer reading the report, while it reads.
    TrpXMLSerializer* CurrentReader = nullptr;

    int PagesCount() const noexcept { return static_cast<int>(Objects().size()); }
    TrpPage* Pages(int index) const;
    // The dataset of the DataSets item with that user name.
    TrpDataSet* GetDataset(std::string_view name) const;

    // The value of an expression. Without an evaluator installed it raises.
    virtual Variant Calc(const std::string& expression);
    TrpCalcFunction OnCalc;
    // The script variables "Self" (the object being printed) and "Value"
    // (the memo's last value).
    virtual void SetScriptSelf(TrpComponent* object) { scriptSelf_ = object; }
    virtual void SetScriptValue(const Variant& value) { scriptValue_ = value; }
    TrpComponent* ScriptSelf() const noexcept { return scriptSelf_.get(); }
    const Variant& ScriptValue() const noexcept { return scriptValue_; }
    // Stores a picture view's picture with the prepared pages and sets its
    // ImageIndex.
    virtual void AddPicture(TrpPictureView* view);
    // The report's prepared pages.
    TrpCustomPreviewPages* PreviewPages() const noexcept { return previewPages_.get(); }

    void Clear() override;
    std::string GetDescription() const override;
    void LoadFromStream(TStream& stream) override;
    bool IsXMLReport() const override { return true; }
    void Notification(TComponent* component, TOperation operation) override;

    static void Publish(TClassBuilder<TrpReport>& b);

private:
    void setEngineOptions(TrpEngineOptions* value) { engineOptions_->Assign(value); }

    std::unique_ptr<TrpEngineOptions> engineOptions_;
    std::unique_ptr<TrpReportDataSets> dataSets_;
    std::unique_ptr<TrpReportDataSets> enabledDataSets_;
    std::unique_ptr<TrpVariables> variables_;
    std::unique_ptr<TrpStyles> styles_;
    TrpDrawText drawText_;
    Ref<TrpComponent> scriptSelf_;
    Variant scriptValue_;
    std::unique_ptr<TrpCustomPreviewPages> previewPages_;
};
