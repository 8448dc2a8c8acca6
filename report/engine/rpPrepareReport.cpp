// Preparing a report: the dataset check, the script, the engine run and
// the reload that undoes what the script changed, with one box for every
// error; the progress of long operations and the message loop's turns.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <optional>
#include <span>

#include "SysUtils.h"
#include "rpBands.h"
#include "rpClass.h"
#include "rpCustomPreview.h"
#include "rpCustomPreviewPages.h"
#include "rpReportShow.h"
#include "rpDataSets.h"
#include "rpEngine.h"
#include "rpProgress.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpUtils.h"
#include "sc_interpreter.h"
#include "sc_statements.h"
#include "sc_yield.h"

namespace {

// The script items that name report objects, by the name of the object
// each held, so that they can be pointed at the reloaded objects.
struct ObjectItem {
    TscCustomVariable* item;
    std::string name;
};

std::vector<ObjectItem> objectItems(TscScript& script, const TrpReport& report)
{
    std::vector<ObjectItem> items;
    for (int i = 0; i < script.Count(); ++i) {
        TscCustomVariable* item = script.Items(i);
        if (item->AddedBy != &report || !item->Value.isObject()) continue;
        auto* object = dynamic_cast<TrpComponent*>(FindObjectByHandle(item->Value.rawObject()));
        if (!object || object == &report || object->GetReport() != &report) continue;
        items.push_back({item, object->Name()});
    }
    return items;
}

}  // namespace

bool TrpReport::CheckDatasets()
{
    const int before = Errors.Count();
    for (int i = 0; i < dataSets_->Count(); ++i) {
        TrpDataSetItem* item = dataSets_->Items(i);
        if (!item->DataSet())
            Errors.Add(Format(GetResources().Get("clDSNotExist"), {Variant(item->DataSetName())}));
    }
    return Errors.Count() == before;
}

namespace {

// The reports being prepared now, a report once per preparation running.
std::vector<TrpReport*>& preparingReports()
{
    static std::vector<TrpReport*> reports;
    return reports;
}

std::string nameOf(const TObject* object)
{
    const auto* component = dynamic_cast<const TComponent*>(object);
    return component && !component->Name().empty() ? component->Name() : object->ClassName();
}

}  // namespace

TrpReport::PreparingScope::PreparingScope(TrpReport& report) : report_(report)
{
    ++report_.preparing_;
    preparingReports().push_back(&report_);
}

TrpReport::PreparingScope::~PreparingScope()
{
    --report_.preparing_;
    std::vector<TrpReport*>& reports = preparingReports();
    reports.erase(std::find(reports.begin(), reports.end(), &report_));
}

void TrpReport::RefuseWhilePreparing(const TObject* object, const std::string& action)
{
    if (!object) return;
    const auto* component = dynamic_cast<const TrpComponent*>(object);
    const auto* dataSet = dynamic_cast<const TrpDataSet*>(object);
    for (TrpReport* report : preparingReports()) {
        bool held = object == report || (component && component->GetReport() == report) ||
                    (dataSet && (report->DataSets()->FindByDataSet(dataSet) || !dataSet->Walker().empty()));
        for (const TComponent* owner = report->Owner(); owner && !held; owner = owner->Owner())
            held = owner == object;
        if (held) throw EInvalidOperation("Cannot " + action + " " + nameOf(object) + " while the report prepares");
    }
}

bool TrpReport::PrepareReport(bool clearLastReport)
{
    // A handler of this preparation asked for another one.
    if (Preparing()) throw EInvalidOperation("Cannot prepare " + nameOf(this) + " while it prepares");
    PreparingScope preparing(*this);
    // A script that lets no message through still lets the window's in
    // (its cancel button among them) every 50 ms.
    std::optional<TscYieldScope> yield;
    if (!engineOptions_->BackgroundMode) yield.emplace([this] { ProcessMessages(); }, std::chrono::milliseconds(50));
    if (clearLastReport) previewPages_->Clear();
    printOptions_->DialogDuplex = dmNone;
    Errors.Clear();
    Terminated = false;
    TerminatedByScript = false;
    bool result = false;
    if (CheckDatasets()) {
        // The report as it was, in memory or in a temporary file that is
        // gone once closed, whatever happens.
        std::unique_ptr<TStream> backup;
        const int32_t overlap = printOptions_->SplitOverlap;
        if (engineOptions_->DestroyForms) {
            try {
                if (engineOptions_->UseFileCache)
                    backup = OpenUnlinkedTempFile(engineOptions_->TempDir);
                else
                    backup = std::make_unique<TMemoryStream>();
                SaveToStream(*backup);
            } catch (const std::exception& e) {
                Errors.Add(e.what());
                backup.reset();
            }
        }
        if (Errors.Count() == 0) {
            try {
                result = runPreparation();
            } catch (const std::exception& e) {
                Errors.Add(ExceptionText(e));
            } catch (...) {
                Errors.Add("Unknown error");
            }
        }
        if (backup) {
            const std::vector<ObjectItem> items = objectItems(*script_, *this);
            const std::vector<std::string> errors = [&] {
                std::vector<std::string> lines;
                for (int i = 0; i < Errors.Count(); ++i) lines.push_back(Errors.Strings(i));
                return lines;
            }();
            Restoring = true;
            // A restore cut short (memory ran out) would leave the report
            // half loaded for the rest of the session: again, once the
            // failed try has let its memory go.
            for (int attempt = 0; attempt < 3; ++attempt) {
                backup->Seek(0, soBeginning);
                try {
                    LoadFromStream(*backup);
                } catch (const std::exception& e) {
                    Errors.Add(e.what());
                }
                if (Errors.Count() == 0) break;
            }
            Restoring = false;
            backup.reset();
            for (const std::string& line : errors) Errors.Add(line);
            printOptions_->SplitOverlap = overlap;
            // Script items that named objects name the reloaded ones (or
            // nothing when they are gone), never the freed ones.
            for (const ObjectItem& o : items) {
                try {
                    o.item->SetValue(ObjectToVariant(FindObject(o.name)));
                } catch (const std::exception&) {
                    o.item->Value = ObjectToVariant(nullptr);
                }
            }
        }
    }
    if (Errors.Count() > 0) {
        result = false;
        // The report's own preview holds nothing sound to print.
        if (previewForm_) previewForm_->Close();
        showPreparationErrors();
    }
    return result;
}

bool TrpReport::runPreparation()
{
    if (OnBeginDoc) OnBeginDoc(this);
    if (!PrepareScript()) return false;
    if (OnAfterScriptCompile) OnAfterScriptCompile(this);
    if (script_->Prog() && script_->Prog()->Count() > 0) script_->Execute();
    if (Terminated) return false;
    if (!engine_->Run()) {
        // The report's own preview has nothing to show.
        if (previewForm_) previewForm_->Close();
        return false;
    }
    if (OnEndDoc) OnEndDoc(this);
    return true;
}

void TrpReport::showPreparationErrors()
{
    const std::string message = GetResources().Get("clErrors") + "\r\n" + Errors.Text();
    if (engineOptions_->BackgroundMode && engineOptions_->NewSilentMode == simMessageBoxes) {
        // Nobody is there to close a box.
        std::fputs(StringReplace(message, "\r\n", "\n", rfReplaceAll).c_str(), stderr);
        std::fflush(stderr);
        return;
    }
    ReportError(engineOptions_->NewSilentMode, message);
}

void TrpReport::SetTerminated(bool value)
{
    Terminated = value;
    if (value) script_->Terminate();
}

// ---------------------------------------------------------------- script handlers

void TrpReport::DoNotifyEvent(TObject* object, const std::string& handler, bool runAlways)
{
    if (handler.empty() || !(runAlways || engine_->Running)) return;
    const Variant argument = ObjectToVariant(object);
    script_->CallFunction(handler, std::span<const Variant>(&argument, 1));
}

void TrpReport::DoParamEvent(const std::string& handler, Variant& params, bool runAlways)
{
    if (handler.empty() || !(runAlways || engine_->Running)) return;
    script_->CallFunctionVar(handler, params);
}

namespace {

const std::string* printHandler(TrpReportComponent* object, bool before)
{
    if (auto* view = ObjectAs<TrpView>(object)) return before ? &view->OnBeforePrint : &view->OnAfterPrint;
    if (auto* band = ObjectAs<TrpBand>(object)) return before ? &band->OnBeforePrint : &band->OnAfterPrint;
    return nullptr;
}

}  // namespace

void TrpReport::DoBeforePrint(TrpReportComponent* object)
{
    if (OnBeforePrint) OnBeforePrint(object);
    if (const std::string* handler = printHandler(object, true)) DoNotifyEvent(object, *handler);
}

void TrpReport::DoAfterPrint(TrpReportComponent* object)
{
    if (OnAfterPrint) OnAfterPrint(object);
    if (const std::string* handler = printHandler(object, false)) DoNotifyEvent(object, *handler);
}

// ---------------------------------------------------------------- progress

bool TrpReport::progressWindowApplies(TrpProgressType type) const
{
    return (OldStyleProgress || type != ptRunning) && ShowProgress;
}

void TrpReport::ProgressStart(TrpProgressType type)
{
    if (engineOptions_->BackgroundMode) return;
    OnProgressStart(this, type, 0);
    if (progressWindowApplies(type)) {
        progress_.reset();
        progress_ = std::make_unique<TrpProgress>();
        progress_->Execute(0, std::string(), false, true);
    }
    if (TrpCustomPreview* preview = Preview(); preview && type == ptRunning) preview->ProgressStart();
    ProcessMessages();
}

void TrpReport::Progress(TrpProgressType type, int progress)
{
    if (engineOptions_->BackgroundMode) return;
    OnProgress(this, type, progress);
    if (progressWindowApplies(type) && progress_) {
        const char* key = type == ptExporting ? "prExporting"
                          : type == ptPrinting ? "prPrinting"
                          : engine_->FinalPass ? "prRunning"
                                               : "prRunningFirst";
        progress_->SetMessage(Format(GetResources().Get(key), {Variant(progress)}));
        if (progress_->Terminated()) SetTerminated(true);
    }
    if (TrpCustomPreview* preview = Preview(); preview && type == ptRunning) preview->Progress(progress - 1);
    ProcessMessages();
}

void TrpReport::ProgressStop(TrpProgressType type)
{
    if (engineOptions_->BackgroundMode) return;
    OnProgressStop(this, type, 0);
    if (progressWindowApplies(type)) progress_.reset();
    if (TrpCustomPreview* preview = Preview(); preview && type == ptRunning) preview->ProgressStop();
    ProcessMessages();
}

void TrpReport::SetProgressMessage(const std::string& value)
{
    if (engineOptions_->BackgroundMode) return;
    if (OldStyleProgress && engine_->Running && ShowProgress && progress_) progress_->SetMessage(value);
    if (previewForm_) previewForm_->SetMessage(value, false);
    ProcessMessages();
}

void TrpReport::ProcessMessages()
{
    if (engineOptions_->BackgroundMode) return;
    if (OnProcessMessages) {
        OnProcessMessages();
        return;
    }
    // Often enough for a cancel click to be seen, seldom enough to cost
    // nothing per row.
    static QElapsedTimer clock;
    static qint64 last = -1000;
    if (!clock.isValid()) clock.start();
    const qint64 now = clock.elapsed();
    if (now - last < 10) return;
    last = now;
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}
