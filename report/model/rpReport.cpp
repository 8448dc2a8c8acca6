#include "rpReport.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "CodePages.h"
#include "ScopeExit.h"
#include "SettingsStore.h"
#include "SysUtils.h"
#include "rpDataSets.h"
#include "rpCustomPreview.h"
#include "rpEngine.h"
#include "rpExpressions.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpPassw.h"
#include "rpProgress.h"
#include "rpRes.h"
#include "rpStyles.h"
#include "rpUiServices.h"
#include "rpVariables.h"
#include "sc_interpreter.h"

namespace {

// The file LoadFromFile reads, for the messages of its load.
thread_local const std::string* loadingFile = nullptr;

// The stored password: every byte shifted, modulo 256 so that nothing is
// lost either way.
std::string shiftBytes(std::string_view text, int by)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) + by);
    return out;
}

// Files being loaded as ancestors, against a report that names itself or
// a ring of them.
std::vector<std::string>& ancestorsLoading()
{
    static std::vector<std::string> files;
    return files;
}

constexpr size_t kMaxAncestorDepth = 16;

}  // namespace

// ---------------------------------------------------------------- TrpCustomEngine

bool TrpCustomEngine::DoublePass() const
{
    return report_ && report_->EngineOptions()->DoublePass;
}

Variant TrpCustomEngine::GetAggregateValue(const std::string&, const std::string&, const Variant&, int32_t)
{
    return Variant::Null();
}

void TrpCustomEngine::StopReport()
{
    if (report_) report_->SetTerminated(true);
}

void TrpCustomEngine::Publish(TClassBuilder<TrpCustomEngine>& b)
{
    using E = TrpCustomEngine;
    b.property("CurColumn", &E::CurColumn);
    b.property("CurVColumn", &E::CurVColumn);
    b.property("CurX", &E::CurX);
    b.property("CurY", &E::CurY);
    b.property("DoublePass", &E::DoublePass);
    b.property("FinalPass", &E::FinalPass);
    b.property("PageHeight", &E::PageHeight);
    b.property("PageWidth", &E::PageWidth);
    b.property("StartDate", &E::StartDate).typeName("TDateTime");
    b.property("StartTime", &E::StartTime).typeName("TDateTime");
    b.property("TotalPages", &E::TotalPages);
    b.property("SecondScriptCall", &E::SecondScriptCall);
}

// ---------------------------------------------------------------- TrpReport

TrpReport::TrpReport(TComponent* owner)
    : TrpComponent(owner),
      dataSets_(std::make_unique<TrpReportDataSets>(this)),
      variables_(std::make_unique<TrpVariables>(this)),
      script_(std::make_unique<TscScript>()),
      engineOptions_(std::make_unique<TrpEngineOptions>()),
      previewOptions_(std::make_unique<TrpPreviewOptions>()),
      printOptions_(std::make_unique<TrpPrintOptions>()),
      reportOptions_(std::make_unique<TrpReportOptions>(this)),
      scriptText_(std::make_unique<TStringList>()),
      previewPages_(std::make_unique<TrpPreviewPages>(this))
{
    SetTreeKind(rpkReport);
    script_->ExtendedCharset = 1;
    script_->AddRTTI();
    cache_ = std::make_unique<TrpExpressionCache>(script_.get());
    Errors.SetSorted(true);
    Errors.SetDuplicates(dupIgnore);
    styles_ = std::make_unique<TrpStyles>(this);
    enabledDataSets_ = std::make_unique<TrpReportDataSets>(this);
    engine_ = std::make_unique<TrpEngine>(this);
    previewPages_->OnProgressStart = [this](int kind) { ProgressStart(static_cast<TrpProgressType>(kind)); };
    previewPages_->OnProgress = [this](int kind, int page) { Progress(static_cast<TrpProgressType>(kind), page); };
    previewPages_->OnProgressStop = [this](int kind) { ProgressStop(static_cast<TrpProgressType>(kind)); };
    Clear();
}

TrpReport::~TrpReport()
{
    detachPreview();
    // Objects go while the lists they notify still exist.
    Destroying();
    ancestor_.reset();
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

TrpDataSet* TrpReport::DataSet() const noexcept
{
    return dataSet_.DataSet();
}

void TrpReport::SetDataSet(TrpDataSet* value)
{
    dataSet_.SetDataSet(value);
}

std::string TrpReport::DataSetName() const
{
    return dataSet_.Name();
}

void TrpReport::SetDataSetName(const std::string& value)
{
    dataSet_.SetName(*this, value);
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
    previewOptions_->Clear();
    printOptions_->Clear();
    reportOptions_->Clear();
    styles_->Clear();
    dataSet_ = TrpDataSetLink();
    DotMatrixReport = false;
    parentReport_.clear();
    ScriptLanguage = "PascalScript";
    scriptText_->Clear();
    for (const char* line : {"begin", "", "end."}) scriptText_->Add(line);
    SystemVariables = {"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#", "CopyName#"};
    OnStartReport.clear();
    OnStopReport.clear();
    OnRunDialogs.clear();
}

std::string TrpReport::GetDescription() const
{
    return GetResources().Get("obReport");
}

void TrpReport::SetPreview(TrpCustomPreview* value)
{
    // The preview a preparation reports to (and that waits for its end)
    // stays until the end.
    if (value != preview_.get() && !Restoring && !IsLoading()) RefuseWhilePreparing(this, "set Preview of");
    if (TrpCustomPreview* old = preview_.get(); old && old != value) {
        old->Report = nullptr;
        old->PreviewPages = nullptr;
    }
    preview_ = value;
    if (value) {
        value->Report = this;
        value->PreviewPages = previewPages_.get();
        value->Init();
    }
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

// ---------------------------------------------------------------- storage

void TrpReport::DefineProperties(TrpFiler& filer)
{
    auto define = [&](const char* name, TCollection* list) {
        filer.DefineProperty(
            name, [this, list](TrpPropReader& r) { ReadCollectionXML(list, r, this, CurrentReader); },
            [this, list](TrpPropWriter& w) { WriteCollectionXML(list, w, this); }, list->Count() > 0);
    };
    define("Datasets", dataSets_.get());
    define("Variables", variables_.get());
    define("Style", styles_.get());
}

void TrpReport::readTree(TStream& stream, std::string& rawPassword)
{
    Clear();
    std::unique_lock<std::recursive_mutex> lock(rpClassLock(), std::defer_lock);
    if (engineOptions_->BackgroundMode) lock.lock();
    TrpXMLDocument document;
    document.LoadFromStream(stream);
    // The shifted bytes, before any code page decoding could change them.
    rawPassword = document.Root()->Prop("ReportOptions.Password");
    ReadXMLTree(document);
}

void TrpReport::fixUpDataPage()
{
    TrpDataPage* data = nullptr;
    for (TrpComponent* c : Objects())
        if ((data = dynamic_cast<TrpDataPage*>(c))) break;
    if (!data) {
        data = new TrpDataPage(this);
        if (FindObject("Data"))
            data->CreateUniqueName();
        else
            data->SetName("Data");
        SetChildIndex(data, 0);
    }
    // Reports of the old layout kept their datasets on the report itself.
    int k = 0;
    const std::vector<TrpComponent*> children = Objects();
    for (TrpComponent* c : children) {
        if (!dynamic_cast<TrpDialogComponent*>(c)) continue;
        c->SetParent(data);
        c->SetLeft(60 + 64 * k++);
        c->SetTop(20);
    }
}

void TrpReport::LoadFromStream(TStream& stream)
{
    Errors.Clear();
    TrpEngineOptions engine;
    engine.CopyAll(*engineOptions_);
    TrpPreviewOptions preview;
    preview.Assign(previewOptions_.get());
    const bool oldStyleProgress = OldStyleProgress, showProgress = ShowProgress, storeInDFM = StoreInDFM;
    // The preview in use stays whatever the file names.
    const Ref<TrpCustomPreview> previewControl = preview_;

    SetLoadingFlag(true);
    std::string rawPassword;
    try {
        readTree(stream, rawPassword);
    } catch (const TrpInvalidXMLException& e) {
        SetLoadingFlag(false);
        Errors.Add(loadingFile ? InvalidFileMessage(e.message(), *loadingFile) : e.message());
    } catch (const std::exception& e) {
        SetLoadingFlag(false);
        Errors.Add(e.what());
    }
    fixUpDataPage();

    // The loaded file decides only these; the rest stays as it was.
    engine.ConvertNulls = engineOptions_->ConvertNulls;
    engine.IgnoreDevByZero = engineOptions_->IgnoreDevByZero;
    engine.DoublePass = engineOptions_->DoublePass;
    engineOptions_->CopyAll(engine);
    preview.OutlineVisible = previewOptions_->OutlineVisible;
    preview.OutlineWidth = previewOptions_->OutlineWidth;
    preview.OutlineExpand = previewOptions_->OutlineExpand;
    preview.PagesInCache = previewOptions_->PagesInCache;
    preview.ThumbnailVisible = previewOptions_->ThumbnailVisible;
    previewOptions_->Assign(&preview);

    if (Preview() != previewControl.get()) SetPreview(previewControl.get());
    OldStyleProgress = oldStyleProgress;
    ShowProgress = showProgress;
    StoreInDFM = storeInDFM;
    SetLoadingFlag(false);
    std::string password = shiftBytes(rawPassword, 10);
    // Files of the old program shifted GBK bytes.
    if (!IsValidUtf8(password)) {
        try {
            password = GbkToUtf8(password);
        } catch (const std::exception&) {
        }
    }
    reportOptions_->Password = password;

    if (Restoring || engineOptions_->BackgroundMode) return;
    if (!password.empty() && password != reportOptions_->AcceptedPassword && !askPassword()) {
        // Cleared before the box: an error mode that raises must not leave
        // the protected report loaded.
        Clear();
        Errors.Add(GetResources().Get("Invalid password"));
    }
    if (Errors.Count() > 0) showErrors();
}

bool TrpReport::askPassword()
{
    TrpPasswordForm form;
    if (rpShowModal(form) != QDialog::Accepted || form.PasswordE->text().toStdString() != reportOptions_->Password)
        return false;
    reportOptions_->AcceptedPassword = reportOptions_->Password;
    return true;
}

void TrpReport::showErrors()
{
    ReportError(engineOptions_->NewSilentMode, GetResources().Get("clErrors") + "\r\n" + Errors.Text());
}

void TrpReport::SaveToStream(TStream& stream, bool saveChildren, bool saveDefaultValues, bool useGetAncestor)
{
    struct Restore {
        std::string& password;
        std::string plain;
        ~Restore() { password = std::move(plain); }
    } restore{reportOptions_->Password, reportOptions_->Password};
    reportOptions_->Password = shiftBytes(restore.plain, -10);
    TrpComponent::SaveToStream(stream, saveChildren, saveDefaultValues, useGetAncestor);
}

bool TrpReport::LoadFromFile(const std::string& fileName, bool exceptionIfNotFound)
{
    Clear();
    FileName.clear();
    const bool exists = std::filesystem::is_regular_file(fileName);
    if (!exists && !exceptionIfNotFound) return false;
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    FileName = fileName;
    const TemporaryValue<const std::string*> naming(loadingFile, &fileName);
    LoadFromStream(stream);
    return exists;
}

void TrpReport::SaveToFile(const std::string& fileName)
{
    const QString parent = QString::fromStdString(parentReport_);
    if (!parent.isEmpty() && !QDir::isRelativePath(parent))
        parentReport_ = QFileInfo(QString::fromStdString(fileName)).absoluteDir().relativeFilePath(parent).toStdString();
    TSaveFileStream stream(fileName);
    SaveToStream(stream, true, false, false);
    stream.Commit();
}

std::unique_ptr<gui::SettingsStore> TrpReport::GetIniFile() const
{
    const QString path = QString::fromStdString(IniFile);
    if (path.startsWith(QStringLiteral("\\Software\\"), Qt::CaseInsensitive))
        return std::make_unique<gui::SettingsStore>(path);
    return gui::SettingsStore::onFile(path);
}

std::string TrpReport::GetApplicationFolder()
{
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return folder.toStdString() + "/";
}

void TrpReport::SetParentReport(const std::string& value)
{
    // An ancestor is loaded over this report: every object a running
    // preparation holds would be freed. A preparation's own reload passes.
    if (!Restoring && !IsLoading()) RefuseWhilePreparing(this, "set ParentReport of");
    if (value.empty()) {
        parentReport_.clear();
        ancestor_.reset();
        const std::vector<TrpComponent*> objects = GetAllObjects();
        for (TrpComponent* c : objects) c->SetIsAncestor(false);
        SetIsAncestor(false);
        return;
    }
    // The hidden copy of an ancestor keeps the name only.
    if (ancestorCopy_) {
        parentReport_ = value;
        return;
    }
    loadAncestor(value);
}

void TrpReport::loadAncestor(const std::string& name)
{
    QString path = QString::fromStdString(name);
    if (QDir::isRelativePath(path)) {
        const QString base = FileName.empty() ? QString::fromStdString(GetApplicationFolder())
                                              : QFileInfo(QString::fromStdString(FileName)).absolutePath();
        path = QDir(base).filePath(path);
    }
    const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
    std::vector<std::string>& loading = ancestorsLoading();
    if (loading.size() >= kMaxAncestorDepth || std::find(loading.begin(), loading.end(), file) != loading.end()) {
        Errors.Add("Ancestor report refers to itself: " + name);
        return;
    }
    ancestor_.reset();
    const bool wasLoading = IsLoading();
    const std::string fileName = FileName;
    loading.push_back(file);
    struct Pop {
        std::vector<std::string>& list;
        ~Pop() { list.pop_back(); }
    } pop{loading};
    if (OnLoadTemplate)
        OnLoadTemplate(this, name);
    else
        LoadFromFile(file);
    FileName = fileName;
    ancestor_ = std::make_unique<TrpReport>();
    ancestor_->ancestorCopy_ = true;
    ancestor_->AssignAll(this);
    for (TrpComponent* c : ancestor_->Objects())
        if (auto* page = dynamic_cast<TrpReportPage*>(c)) page->SetPaperSize(256);
    const std::vector<TrpComponent*> objects = GetAllObjects();
    for (TrpComponent* c : objects) c->SetIsAncestor(true);
    SetIsAncestor(true);
    parentReport_ = name;
    SetLoadingFlag(wasLoading);
}

void TrpReport::Publish(TClassBuilder<TrpReport>& b)
{
    using R = TrpReport;
    b.property("Version", &R::Version, &R::SetVersion);
    b.property("ParentReport", &R::ParentReport, &R::SetParentReport);
    b.property("DataSet", &R::DataSet, &R::SetDataSet);
    b.property("DataSetName", &R::DataSetName, &R::SetDataSetName);
    b.property("DotMatrixReport", &R::DotMatrixReport);
    b.property("EngineOptions", &R::EngineOptions, &R::setEngineOptions);
    b.property("IniFile", &R::IniFile);
    b.property("OldStyleProgress", &R::OldStyleProgress).defaultValue(false);
    b.property("Preview", &R::Preview, &R::SetPreview);
    b.property("PreviewOptions", &R::PreviewOptions, &R::setPreviewOptions);
    b.property("PrintOptions", &R::PrintOptions, &R::setPrintOptions);
    b.property("ReportOptions", &R::ReportOptions, &R::setReportOptions);
    b.property("ScriptLanguage", &R::ScriptLanguage);
    b.property("ScriptText", &R::ScriptText, &R::SetScriptText);
    b.property("ShowProgress", &R::ShowProgress).defaultValue(true);
    b.property("StoreInDFM", &R::StoreInDFM).defaultValue(true);
    b.property("OnReportPrint", &R::OnReportPrint);
    b.property("OnRunDialogs", &R::OnRunDialogs);
    b.property("OnStartReport", &R::OnStartReport);
    b.property("OnStopReport", &R::OnStopReport);
}
