#pragma once
// The report object: the root of the page tree with its datasets,
// variables, styles, options, script, engine and error list; its storage as
// report XML (the "Datasets", "Variables" and "Style" records, the shifted
// password, ancestor reports); and the expression path (rpExpressions.cpp):
// fast look-ups of fields, system values and variables, compiled script
// functions for the rest.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "StringLists.h"
#include "rpClass.h"
#include "rpCustomPreview.h"
#include "rpGraphicUtils.h"
#include "rpReportOptions.h"

class TrpReportDataSets;
class TrpVariables;
class TrpStyles;
class TrpPictureView;
class TrpCustomPreviewPages;
class TrpBand;
class TrpView;
class TrpExpressionCache;
class TrpProgress;
class TscScript;
class TscVariable;
class TrpPreviewWindow;
class QTimer;
namespace gui {
class SettingsStore;
}

// The band engine as the report sees it; the engine derives from it and
// the report owns one.
class TrpCustomEngine : public TPersistent {
    DORVAK_CLASS(TrpCustomEngine, TPersistent)
public:
    explicit TrpCustomEngine(TrpReport* report = nullptr) : report_(report) {}

    TrpReport* Report() const noexcept { return report_; }
    int32_t CurColumn = 0;
    int32_t CurVColumn = 0;
    // The "Line" and "Line#" values.
    int32_t CurLine = 0;
    int32_t CurLineThrough = 0;
    Extended CurX = 0;
    Extended CurY = 0;
    bool FinalPass = false;
    Extended PageWidth = 0;
    // From dataset set-up to the end of Run; script handlers run only then.
    bool Running = false;
    TDateTime StartDate = 0;
    TDateTime StartTime = 0;
    int32_t TotalPages = 0;
    bool SecondScriptCall = false;
    bool DoublePass() const;
    Extended PageHeight() { return GetPageHeight(); }

    virtual Extended GetPageHeight() { return 0; }
    virtual void EndPage() {}
    virtual void BreakAllKeep() {}
    virtual void NewColumn() {}
    virtual void NewPage() {}
    virtual void ShowBand(TrpBand* /*band*/) {}
    virtual void ShowBandByType(const TClass* /*bandClass*/) {}
    virtual Extended HeaderHeight() { return 0; }
    virtual Extended FooterHeight() { return 0; }
    virtual Extended FreeSpace() { return 0; }
    // The value of an aggregate call; Null while no item matches.
    virtual Variant GetAggregateValue(const std::string& name, const std::string& expression, const Variant& band,
                                      int32_t flags);
    virtual bool Run() { return false; }
    // Sets the report's Terminated.
    void StopReport();

    static void Publish(TClassBuilder<TrpCustomEngine>& b);

private:
    TrpReport* report_;
};

// What expressions read of the prepared pages ("Page", "Page#",
// "TotalPages"); the prepared pages provide it.
class TrpPageNumbering {
public:
    virtual ~TrpPageNumbering() = default;
    // Index of the page being filled, from 0; -1 before the first.
    virtual int CurPage() const = 0;
    virtual int LogicalPageNo() const = 0;
    virtual int LogicalTotalPages() const = 0;
};

// The long operations that report their progress.
enum TrpProgressType { ptRunning, ptExporting, ptPrinting };

// What a printed object asks of its report: an expression's value.
using TrpCalcFunction = std::function<Variant(const std::string& expression)>;

class TrpReport : public TrpComponent {
    DORVAK_CLASS(TrpReport, TrpComponent)
public:
    explicit TrpReport(TComponent* owner = nullptr);
    ~TrpReport() override;

    // ---- published
    // Always "1.0.0"; writing it changes nothing.
    std::string Version() const { return "1.0.0"; }
    void SetVersion(const std::string&) {}
    // An ancestor report's file: setting it loads that file into this
    // report and marks what came from it; "" clears the marks.
    const std::string& ParentReport() const noexcept { return parentReport_; }
    void SetParentReport(const std::string& value);
    // The main dataset; the name reads the dataset's own when one is set.
    TrpDataSet* DataSet() const noexcept;
    void SetDataSet(TrpDataSet* value);
    std::string DataSetName() const;
    void SetDataSetName(const std::string& value);
    bool DotMatrixReport = false;
    TrpEngineOptions* EngineOptions() const noexcept { return engineOptions_.get(); }
    // "\Software\..." is a key of the user settings, anything else an ini file.
    static constexpr const char* DefaultIniFile = "\\Software\\Quorvel";
    std::string IniFile = DefaultIniFile;
    bool OldStyleProgress = false;
    TrpPreviewOptions* PreviewOptions() const noexcept { return previewOptions_.get(); }
    TrpPrintOptions* PrintOptions() const noexcept { return printOptions_.get(); }
    TrpReportOptions* ReportOptions() const noexcept { return reportOptions_.get(); }
    std::string ScriptLanguage = "PascalScript";
    TStringList* ScriptText() const noexcept { return scriptText_.get(); }
    void SetScriptText(TStringList* value) { scriptText_->Assign(value); }
    bool ShowProgress = true;
    // Kept and stored; nothing else depends on it here.
    bool StoreInDFM = true;
    // Script handler names. OnRunDialogs gets a Boolean by reference: the
    // dialogs count as passed when it is True afterwards.
    std::string OnStartReport, OnStopReport, OnReportPrint, OnRunDialogs;

    // ---- events of the program using the report
    TEvent<void(TrpReportComponent* sender)> OnBeforePrint, OnAfterPrint;
    TNotifyEvent OnBeforeConnect, OnAfterDisconnect, OnBeginDoc, OnEndDoc, OnPreview, OnPrintReport,
        OnAfterPrintReport, OnClosePreview, OnAfterScriptCompile;
    TEvent<void(TrpView* view, int button, int shift, bool& modified)> OnClickObject, OnDblClickObject;
    TEvent<void(TrpView* view, TCursor& cursor)> OnMouseOverObject;
    TEvent<void(const std::string& varName, Variant& value)> OnGetValue;
    TEvent<void(TObject* sender, const std::string& varName, Variant& value)> OnNewGetValue;
    TEvent<void(TrpPage* page)> OnManualBuild;
    TEvent<void(TrpPage* page, int copyNo)> OnPrintPage;
    TEvent<void(TrpReport* report, int progressType, int progress)> OnProgressStart, OnProgress, OnProgressStop;
    TEvent<void(const std::string& name, Variant& params, Variant& result)> OnUserFunction;
    // Loads an ancestor report instead of the file lookup.
    TEvent<void(TrpReport* report, const std::string& templateName)> OnLoadTemplate;

    // ---- state
    // The datasets the report uses, and those enabled for name lookup.
    TrpReportDataSets* DataSets() const noexcept { return dataSets_.get(); }
    TrpReportDataSets* EnabledDataSets() const noexcept { return enabledDataSets_.get(); }
    TrpVariables* Variables() const noexcept { return variables_.get(); }
    TrpStyles* Styles() const noexcept { return styles_.get(); }
    TscScript* Script() const noexcept { return script_.get(); }
    TrpCustomEngine* Engine() const noexcept { return engine_.get(); }
    TrpExpressionCache* ExpressionCache() const noexcept { return cache_.get(); }
    // Sorted, each message once.
    TStringList Errors;
    // The names "Date" ... "CopyName#", in the order of their values.
    std::vector<std::string> SystemVariables;
    // The report's own text drawer (under the shared drawer lock).
    TrpDrawText& DrawText() noexcept { return drawText_; }
    std::string FileName;
    bool Terminated = false;
    // Terminated was set by the report's own script (Report.Terminated,
    // Engine.StopReport): the run ended before its end on purpose, which
    // the tools report as a failure. Cleared when a preparation starts.
    bool TerminatedByScript = false;
    // The name of the object being printed, for error lines.
    std::string CurObject;
    // The serializer reading the report, while it reads.
    TrpXMLSerializer* CurrentReader = nullptr;
    // Set while a preparation reloads its backup: no password is asked.
    bool Restoring = false;
    // The prepared pages' numbering; nullptr while there are none.
    TrpPageNumbering* PageNumbering = nullptr;

    int PagesCount() const noexcept { return static_cast<int>(Objects().size()); }
    TrpPage* Pages(int index) const;
    // The dataset of the DataSets item with that user name.
    TrpDataSet* GetDataset(std::string_view name) const;

    // ---- storage
    // Clears; false when the file does not exist (an exception when asked).
    bool LoadFromFile(const std::string& fileName, bool exceptionIfNotFound = false);
    void SaveToFile(const std::string& fileName);
    // Errors are collected and shown once; options are partly kept; a
    // password is asked unless restoring or in background mode.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream, bool saveChildren = true, bool saveDefaultValues = false,
                      bool useGetAncestor = false) override;
    void DefineProperties(TrpFiler& filer) override;
    std::unique_ptr<gui::SettingsStore> GetIniFile() const;
    // The running program's folder with a trailing "/".
    static std::string GetApplicationFolder();
    // The hidden copy of the ancestor report; nullptr without one.
    TrpReport* AncestorReport() const noexcept { return ancestor_.get(); }

    // ---- expressions
    // The value of an expression in the report's script scope. Errors get
    // the current object's name, go to Errors and raise ErpCalcError.
    virtual Variant Calc(const std::string& expression);
    // The same with names bound in another scope (a running procedure's).
    Variant Calc(const std::string& expression, TscScript* scope);
    // For scripts calling Calc: errors get "Error in Calc expression: "
    // and are not added to Errors.
    Variant CalcFromScript(const std::string& expression);
    // The look-ups before the script: dataset field, system value, events,
    // report variable, global variable, script item. False when none knew.
    bool GetScriptValue(const std::string& expression, Variant& value);
    // When set, answers every Calc instead (objects tested on their own).
    TrpCalcFunction OnCalc;
    // Fills and compiles the report script; false with a "clScrError" line.
    bool PrepareScript();

    // ---- preparation (rpPrepareReport.cpp)
    // Builds the prepared pages (emptied first when asked): the datasets are
    // checked, the script is compiled and its main block run, the engine
    // runs, and the report is reloaded as it was before (DestroyForms).
    // False after errors, which are shown once (on stderr in background
    // mode); no exception leaves it.
    bool PrepareReport(bool clearLastReport = true);
    // One "clDSNotExist" line per DataSets item whose dataset is missing.
    bool CheckDatasets();
    // True also stops the running script.
    void SetTerminated(bool value);
    // From the start to the end of PrepareReport, or of a run of the engine
    // started otherwise.
    bool Preparing() const noexcept { return preparing_ > 0; }
    // What a script may not take from a report while it prepares: the
    // report, its objects, a dataset it reads, a component that owns it.
    // Freeing, clearing, reloading or showing one of those ("free", "clear",
    // "load", "show"), or setting the report's ancestor or preview ("set
    // ParentReport of", "set Preview of") raises an error naming it; a
    // preparation has objects of its run in hand at every step.
    static void RefuseWhilePreparing(const TObject* object, const std::string& action);
    // Counts a preparation of the report for the time of a scope.
    class PreparingScope {
    public:
        explicit PreparingScope(TrpReport& report);
        ~PreparingScope();
        PreparingScope(const PreparingScope&) = delete;
        PreparingScope& operator=(const PreparingScope&) = delete;

    private:
        TrpReport& report_;
    };
    // Progress of preparing, exporting and printing: the report's events,
    // its progress window or the preview; nothing in background mode.
    virtual void ProgressStart(TrpProgressType type);
    virtual void Progress(TrpProgressType type, int progress);
    virtual void ProgressStop(TrpProgressType type);
    void SetProgressMessage(const std::string& value);
    // The progress window while one is shown.
    TrpProgress* ProgressWindow() const noexcept { return progress_.get(); }
    // Lets the window-message loop run (Qt's, at most every 10 ms, unless
    // OnProcessMessages stands in for it); nothing in background mode.
    void ProcessMessages();
    std::function<void()> OnProcessMessages;
    // Script handlers by name with the object as argument; only while the
    // engine runs unless asked. DoBeforePrint and DoAfterPrint fire the
    // report's event, then the object's own handler.
    void DoNotifyEvent(TObject* object, const std::string& handler, bool runAlways = false);
    void DoParamEvent(const std::string& handler, Variant& params, bool runAlways = false);
    void DoBeforePrint(TrpReportComponent* object);
    void DoAfterPrint(TrpReportComponent* object);
    // Drill-down groups the preview opened, by their DrillName.
    std::set<std::string> ExpandedDrillDowns;

    // The script variables "Self" (the object being printed) and "Value"
    // (the memo's last value).
    virtual void SetScriptSelf(TrpComponent* object);
    virtual void SetScriptValue(const Variant& value);
    TrpComponent* ScriptSelf() const noexcept { return scriptSelf_.get(); }
    const Variant& ScriptValue() const noexcept { return scriptValue_; }
    // Stores a picture view's picture with the prepared pages and sets its
    // ImageIndex.
    virtual void AddPicture(TrpPictureView* view);
    // The report's prepared pages.
    TrpCustomPreviewPages* PreviewPages() const noexcept { return previewPages_.get(); }
    // The preview control the report drives, not owned. Setting nullptr
    // detaches the one attached; a new one gets the report and the pages
    // and is initialised.
    TrpCustomPreview* Preview() const noexcept { return preview_.get(); }
    void SetPreview(TrpCustomPreview* value);

    // ---- showing (rpReportShow.cpp)
    // Opens the preview at once and prepares the report inside it, page by
    // page, from the first tick of a 50 ms timer (at once and before the
    // preview with OldStyleProgress).
    void ShowReport(bool clearLastReport = true);
    // Shows the prepared pages: in the external Preview when one is set,
    // else in a preview window of the report's own, modal unless the
    // preview options say otherwise.
    void ShowPreparedReport();
    // The report's own preview window while it is open.
    TrpPreviewWindow* PreviewForm() const noexcept { return previewForm_; }
    // The timer of ShowReport; nullptr before the first one.
    const QTimer* PrepareTimer() const noexcept { return prepareTimer_.get(); }

    void Clear() override;
    std::string GetDescription() const override;
    bool IsXMLReport() const override { return true; }
    void Notification(TComponent* component, TOperation operation) override;

    static void Publish(TClassBuilder<TrpReport>& b);

private:
    void setEngineOptions(TrpEngineOptions* value) { engineOptions_->Assign(value); }
    void setPreviewOptions(TrpPreviewOptions* value) { previewOptions_->Assign(value); }
    void setPrintOptions(TrpPrintOptions* value) { printOptions_->Assign(value); }
    void setReportOptions(TrpReportOptions* value) { reportOptions_->Assign(value); }
    void readTree(TStream& stream, std::string& rawPassword);
    void fixUpDataPage();
    bool askPassword();
    void showErrors();
    void loadAncestor(const std::string& name);
    Variant systemValue(size_t index) const;
    Variant calc(const std::string& expression, TscScript* scope, bool fromScript);
    bool progressWindowApplies(TrpProgressType type) const;
    bool runPreparation();
    void showPreparationErrors();

    std::unique_ptr<TrpReportDataSets> dataSets_;
    std::unique_ptr<TrpVariables> variables_;
    std::unique_ptr<TscScript> script_;
    std::unique_ptr<TrpEngineOptions> engineOptions_;
    std::unique_ptr<TrpPreviewOptions> previewOptions_;
    std::unique_ptr<TrpPrintOptions> printOptions_;
    std::unique_ptr<TrpReportOptions> reportOptions_;
    std::unique_ptr<TStringList> scriptText_;
    std::unique_ptr<TrpExpressionCache> cache_;
    std::unique_ptr<TrpStyles> styles_;
    std::unique_ptr<TrpReportDataSets> enabledDataSets_;
    std::unique_ptr<TrpCustomEngine> engine_;
    TrpDrawText drawText_;
    std::unique_ptr<TrpReport> ancestor_;
    std::string parentReport_;
    TrpDataSetLink dataSet_;
    Ref<TrpComponent> scriptSelf_;
    Variant scriptValue_;
    std::unique_ptr<TrpCustomPreviewPages> previewPages_;
    // Nil again once the control is gone.
    Ref<TrpCustomPreview> preview_;
    friend class TrpPreviewWindow;
    // The preview and the own window let go of the report.
    void detachPreview();
    std::unique_ptr<QTimer> prepareTimer_;
    TrpPreviewWindow* previewForm_ = nullptr;
    std::unique_ptr<TrpProgress> progress_;
    TscVariable* selfVariable_ = nullptr;
    TscVariable* valueVariable_ = nullptr;
    // Report variables being evaluated, against cycles.
    std::vector<std::string> variablesInProgress_;
    // The hidden copy of an ancestor loads no ancestor of its own.
    bool ancestorCopy_ = false;
    int preparing_ = 0;
};

// An expression error already composed and listed by Calc: outer Calc
// calls pass it on unchanged.
DORVAK_DECLARE_EXCEPTION(ErpCalcError, Exception)
