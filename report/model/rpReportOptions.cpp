#include "rpReportOptions.h"

#include "Pictures.h"
#include "SysUtils.h"
#include "rpRes.h"

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

void TrpEngineOptions::CopyAll(const TrpEngineOptions& source)
{
    Assign(&source);
    DestroyForms = source.DestroyForms;
    BackgroundMode = source.BackgroundMode;
    GlobalDataSetLookup = source.GlobalDataSetLookup;
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

// ---------------------------------------------------------------- TrpPreviewOptions

TrpPreviewOptions::TrpPreviewOptions() : Buttons(TrpPreviewButtons::FromBits(rpDefaultPreviewButtons)) {}

void TrpPreviewOptions::Clear()
{
    OutlineExpand = true;
    OutlineVisible = false;
    OutlineWidth = 120;
    PagesInCache = 50;
    ThumbnailVisible = false;
}

void TrpPreviewOptions::Assign(const TPersistent* source)
{
    const auto* o = dynamic_cast<const TrpPreviewOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    AllowEdit = o->AllowEdit;
    Buttons = o->Buttons;
    DoubleBuffered = o->DoubleBuffered;
    Maximized = o->Maximized;
    MDIChild = o->MDIChild;
    Modal = o->Modal;
    OutlineExpand = o->OutlineExpand;
    OutlineVisible = o->OutlineVisible;
    OutlineWidth = o->OutlineWidth;
    PagesInCache = o->PagesInCache;
    ThumbnailVisible = o->ThumbnailVisible;
    ShowCaptions = o->ShowCaptions;
    Zoom = o->Zoom;
    ZoomMode = o->ZoomMode;
    PictureCacheInFile = o->PictureCacheInFile;
}

void TrpPreviewOptions::Publish(TClassBuilder<TrpPreviewOptions>& b)
{
    using O = TrpPreviewOptions;
    b.property("AllowEdit", &O::AllowEdit).defaultValue(true);
    b.property("Buttons", &O::Buttons).defaultValue(TrpPreviewButtons::FromBits(rpDefaultPreviewButtons));
    b.property("DoubleBuffered", &O::DoubleBuffered).defaultValue(true);
    b.property("Maximized", &O::Maximized).defaultValue(true);
    b.property("MDIChild", &O::MDIChild).defaultValue(false);
    b.property("Modal", &O::Modal).defaultValue(true);
    b.property("OutlineExpand", &O::OutlineExpand).defaultValue(true);
    b.property("OutlineVisible", &O::OutlineVisible).defaultValue(false);
    b.property("OutlineWidth", &O::OutlineWidth).defaultValue(120);
    b.property("PagesInCache", &O::PagesInCache).defaultValue(50);
    b.property("ThumbnailVisible", &O::ThumbnailVisible).defaultValue(false);
    b.property("ShowCaptions", &O::ShowCaptions).defaultValue(false);
    b.property("Zoom", &O::Zoom);
    b.property("ZoomMode", &O::ZoomMode).defaultValue(zmDefault);
    b.property("PictureCacheInFile", &O::PictureCacheInFile).defaultValue(false);
}

// ---------------------------------------------------------------- TrpPrintOptions

TrpPrintOptions::TrpPrintOptions()
{
    Clear();
}

void TrpPrintOptions::Clear()
{
    Copies = 1;
    Collate = true;
    PageNumbers.clear();
    Printer = GetResources().Get("prDefault");
    PrintMode = pmDefault;
    PrintOnSheet = 0;
    PrintPages = ppAll;
    Reverse = false;
    ShowDialog = true;
    SwapPageSize = false;
    SplitOverlap = 3;
}

void TrpPrintOptions::Assign(const TPersistent* source)
{
    const auto* o = dynamic_cast<const TrpPrintOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    Copies = o->Copies;
    Collate = o->Collate;
    PageNumbers = o->PageNumbers;
    Printer = o->Printer;
    PrintMode = o->PrintMode;
    PrintOnSheet = o->PrintOnSheet;
    PrintPages = o->PrintPages;
    Reverse = o->Reverse;
    ShowDialog = o->ShowDialog;
    SwapPageSize = o->SwapPageSize;
}

void TrpPrintOptions::Publish(TClassBuilder<TrpPrintOptions>& b)
{
    using O = TrpPrintOptions;
    b.property("Copies", &O::Copies).defaultValue(1);
    b.property("Collate", &O::Collate).defaultValue(true);
    b.property("PageNumbers", &O::PageNumbers);
    b.property("Printer", &O::Printer);
    b.property("PrintMode", &O::PrintMode).defaultValue(pmDefault);
    b.property("PrintOnSheet", &O::PrintOnSheet).defaultValue(0);
    b.property("PrintPages", &O::PrintPages).defaultValue(ppAll);
    b.property("Reverse", &O::Reverse).defaultValue(false);
    b.property("ShowDialog", &O::ShowDialog).defaultValue(true);
    b.property("SwapPageSize", &O::SwapPageSize).stored(false);
}

// ---------------------------------------------------------------- TrpReportOptions

TrpReportOptions::TrpReportOptions(TrpReport* report) : picture_(std::make_unique<TPicture>()), report_(report)
{
    Clear();
}

TrpReportOptions::~TrpReportOptions() = default;

void TrpReportOptions::SetPicture(const TPicture* value)
{
    picture_->Assign(value);
}

void TrpReportOptions::Clear()
{
    Author.clear();
    Compressed = false;
    ConnectionName.clear();
    CreateDate = Now();
    description_->Clear();
    InitString.clear();
    Name.clear();
    LastChange = CreateDate;
    Password.clear();
    picture_->SetGraphic(nullptr);
    VersionBuild.clear();
    VersionMajor.clear();
    VersionMinor.clear();
    VersionRelease.clear();
    AcceptedPassword.clear();
}

void TrpReportOptions::Assign(const TPersistent* source)
{
    const auto* o = dynamic_cast<const TrpReportOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    Author = o->Author;
    Compressed = o->Compressed;
    ConnectionName = o->ConnectionName;
    CreateDate = o->CreateDate;
    description_->Assign(o->description_.get());
    InitString = o->InitString;
    Name = o->Name;
    LastChange = o->LastChange;
    Password = o->Password;
    picture_->Assign(o->picture_.get());
    VersionBuild = o->VersionBuild;
    VersionMajor = o->VersionMajor;
    VersionMinor = o->VersionMinor;
    VersionRelease = o->VersionRelease;
}

void TrpReportOptions::Publish(TClassBuilder<TrpReportOptions>& b)
{
    using O = TrpReportOptions;
    b.property("Author", &O::Author);
    b.property("Compressed", &O::Compressed).defaultValue(false);
    b.property("ConnectionName", &O::ConnectionName);
    b.property("CreateDate", &O::CreateDate).typeName("TDateTime");
    b.property("Description", &O::Description, &O::SetDescription);
    b.property("InitString", &O::InitString);
    b.property("Name", &O::Name);
    b.property("LastChange", &O::LastChange).typeName("TDateTime");
    b.property("Password", &O::Password);
    b.property("Picture", &O::Picture, &O::SetPicture);
    b.property("VersionBuild", &O::VersionBuild);
    b.property("VersionMajor", &O::VersionMajor);
    b.property("VersionMinor", &O::VersionMinor);
    b.property("VersionRelease", &O::VersionRelease);
}

// ---------------------------------------------------------------- registration

void registerReportOptionClasses()
{
    RegisterEnum<TrpPreviewButton>("TrpPreviewButton",
                                   {"pbPrint", "pbLoad", "pbSave", "pbExport", "pbZoom", "pbFind", "pbOutline",
                                    "pbPageSetup", "pbTools", "pbEdit", "pbNavigator", "pbExportQuick", "pbNoClose",
                                    "pbNoFullScreen", "pbNoEmail"});
    RegisterSet<TrpPreviewButtons>("TrpPreviewButtons");
    RegisterEnum<TrpZoomMode>("TrpZoomMode", {"zmDefault", "zmWholePage", "zmPageWidth", "zmManyPages"});
    RegisterEnum<TrpPrintMode>("TrpPrintMode", {"pmDefault", "pmSplit", "pmJoin", "pmScale"});
    RegisterEnum<TrpPrintPages>("TrpPrintPages", {"ppAll", "ppOdd", "ppEven"});
    RegisterClass<TrpEngineOptions>(TrpEngineOptions::Publish);
    RegisterClass<TrpPreviewOptions>(TrpPreviewOptions::Publish);
    RegisterClass<TrpPrintOptions>(TrpPrintOptions::Publish);
    RegisterClass<TrpReportOptions>(TrpReportOptions::Publish);
}

void unregisterReportOptionTypes()
{
    UnregisterType<TrpPrintPages>();
    UnregisterType<TrpPrintMode>();
    UnregisterType<TrpZoomMode>();
    UnregisterType<TrpPreviewButtons>();
    UnregisterType<TrpPreviewButton>();
}
