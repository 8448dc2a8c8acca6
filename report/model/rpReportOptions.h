#pragma once
// The report's four option objects. Each Clear resets only what a new
// report resets; loading a report keeps some of them as they were before
// (see TrpReport::LoadFromStream).

#include <memory>
#include <string>

#include "Reflection.h"
#include "StringLists.h"
#include "rpPrintSettings.h"
#include "rpTypes.h"
#include "rpUtilsGui.h"

class TPicture;
class TrpReport;

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
    // The published values.
    void Assign(const TPersistent* source) override;
    // Every value, published or not.
    void CopyAll(const TrpEngineOptions& source);

    static void Publish(TClassBuilder<TrpEngineOptions>& b);
};

enum TrpPreviewButton {
    pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup,
    pbTools, pbEdit, pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail
};
using TrpPreviewButtons = TSet<TrpPreviewButton>;
enum TrpZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };

// The first twelve buttons.
constexpr uint32_t rpDefaultPreviewButtons = 0xFFF;

class TrpPreviewOptions : public TPersistent {
    DORVAK_CLASS(TrpPreviewOptions, TPersistent)
public:
    TrpPreviewOptions();

    bool AllowEdit = true;
    TrpPreviewButtons Buttons;
    bool DoubleBuffered = true;
    bool Maximized = true;
    bool MDIChild = false;
    bool Modal = true;
    bool OutlineExpand = true;
    bool OutlineVisible = false;
    int32_t OutlineWidth = 120;
    int32_t PagesInCache = 50;
    bool ThumbnailVisible = false;
    bool ShowCaptions = false;
    Extended Zoom = 1;
    TrpZoomMode ZoomMode = zmDefault;
    bool PictureCacheInFile = false;

    // Resets the outline, cache and thumbnail values only.
    void Clear();
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpPreviewOptions>& b);
};

class TrpPrintOptions : public TPersistent {
    DORVAK_CLASS(TrpPrintOptions, TPersistent)
public:
    TrpPrintOptions();

    int32_t Copies = 1;
    bool Collate = true;
    std::string PageNumbers;
    // The resource text "prDefault" when cleared.
    std::string Printer;
    TrpPrintMode PrintMode = pmDefault;
    int32_t PrintOnSheet = 0;
    TrpPrintPages PrintPages = ppAll;
    bool Reverse = false;
    bool ShowDialog = true;
    bool SwapPageSize = false;
    // Not stored: the output file of a run without dialog, the two-sided
    // mode the print dialog chose, and the overlap of split sheets in mm.
    std::string OutputFile;
    TrpDuplexMode DialogDuplex = dmNone;
    int32_t SplitOverlap = 3;

    // Every value back to its default (the overlap too).
    void Clear();
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpPrintOptions>& b);
};

class TrpReportOptions : public TPersistent {
    DORVAK_CLASS(TrpReportOptions, TPersistent)
public:
    explicit TrpReportOptions(TrpReport* report = nullptr);
    ~TrpReportOptions() override;

    std::string Author;
    bool Compressed = false;
    std::string ConnectionName;
    TDateTime CreateDate = 0;
    TStringList* Description() const noexcept { return description_.get(); }
    void SetDescription(TStringList* value) { description_->Assign(value); }
    std::string InitString;
    std::string Name;
    TDateTime LastChange = 0;
    // Plain text in memory; stored shifted (see TrpReport::SaveToStream).
    std::string Password;
    // The report's own picture (a designer shows it in its file lists);
    // the setter copies.
    TPicture* Picture() const noexcept { return picture_.get(); }
    void SetPicture(const TPicture* value);
    std::string VersionBuild, VersionMajor, VersionMinor, VersionRelease;

    // The password the user last typed correctly.
    std::string AcceptedPassword;
    TrpReport* Report() const noexcept { return report_; }

    // Everything back to a new report's values; the dates become now and
    // the accepted password is forgotten.
    void Clear();
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpReportOptions>& b);

private:
    std::unique_ptr<TStringList> description_ = std::make_unique<TStringList>();
    std::unique_ptr<TPicture> picture_;
    TrpReport* report_;
};

// The option classes and their enumerations, for the registry; the types
// go after the classes.
void registerReportOptionClasses();
void unregisterReportOptionTypes();
