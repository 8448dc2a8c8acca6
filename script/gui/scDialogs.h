#pragma once
// The common dialogs, message and input boxes of scripts. Every one goes
// through the UI services, so tests and shell runs answer them from a
// script: file, font and colour dialogs through their own services, the
// message dialog, the print dialog and the printer setup as modal dialogs
// named "MessageDlg", "PrintDialog" and "PrinterSetupDialog".

#include <string>

#include "Classes.h"
#include "Graphics.h"

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
    ofEnableIncludeNotify, ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;
enum TFileEditStyle { fsEdit, fsComboBox };
enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;
enum TFontDialogOption {
    fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, fdNoOEMFonts,
    fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts, fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly,
    fdApplyButton
};
using TFontDialogOptions = TSet<TFontDialogOption>;
enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };
enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
using TPrintDialogOptions = TSet<TPrintDialogOption>;
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

class TCommonDialog : public TComponent {
    DORVAK_CLASS(TCommonDialog, TComponent)
public:
    using TComponent::TComponent;
    // True when the user confirmed; the properties then hold the choice.
    virtual bool Execute() = 0;
    static void Publish(TClassBuilder<TCommonDialog>& b) { b.abstract(); }
};

class TOpenDialog : public TCommonDialog {
    DORVAK_CLASS(TOpenDialog, TCommonDialog)
public:
    using TCommonDialog::TCommonDialog;
    // The filter "Text|*.txt;*.doc|All|*.*" is shown as Qt's "Text (*.txt
    // *.doc);;All (*.*)"; FilterIndex counts from 1; a chosen name without
    // an extension gets DefaultExt.
    bool Execute() override;

    std::string FileName;
    std::string Filter;
    int32_t FilterIndex = 1;
    std::string InitialDir;
    std::string DefaultExt;
    std::string Title;
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};

    static void Publish(TClassBuilder<TOpenDialog>& b);

protected:
    virtual bool Saving() const { return false; }
};

class TSaveDialog : public TOpenDialog {
    DORVAK_CLASS(TSaveDialog, TOpenDialog)
public:
    using TOpenDialog::TOpenDialog;

protected:
    bool Saving() const override { return true; }
};

class TColorDialog : public TCommonDialog {
    DORVAK_CLASS(TColorDialog, TCommonDialog)
public:
    using TCommonDialog::TCommonDialog;
    bool Execute() override;
    TColor Color = clBlack;
    TColorDialogOptions Options;
    static void Publish(TClassBuilder<TColorDialog>& b);
};

class TFontDialog : public TCommonDialog {
    DORVAK_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent* owner = nullptr);
    ~TFontDialog() override;
    // With fdLimitSize the chosen size is kept within MinFontSize..MaxFontSize.
    bool Execute() override;
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* value) { font_->Assign(value); }
    TFontDialogOptions Options{fdEffects};
    TFontDialogDevice Device = fdScreen;
    int32_t MinFontSize = 0;
    int32_t MaxFontSize = 0;
    static void Publish(TClassBuilder<TFontDialog>& b);

private:
    std::unique_ptr<TFont> font_;
};

class TPrintDialog : public TCommonDialog {
    DORVAK_CLASS(TPrintDialog, TCommonDialog)
public:
    using TCommonDialog::TCommonDialog;
    // Printer, copies, range, collation and printing to a file; the
    // printer chosen becomes the current one.
    bool Execute() override;
    int32_t Copies = 0;
    int32_t FromPage = 0;
    int32_t ToPage = 0;
    int32_t MinPage = 0;
    int32_t MaxPage = 0;
    TPrintRange PrintRange = prAllPages;
    bool PrintToFile = false;
    bool Collate = false;
    TPrintDialogOptions Options;
    static void Publish(TClassBuilder<TPrintDialog>& b);
};

class TPrinterSetupDialog : public TCommonDialog {
    DORVAK_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
    using TCommonDialog::TCommonDialog;
    // Chooses the current printer.
    bool Execute() override;
};

// The message dialog: the icon and caption of the type, the buttons of
// the set in their fixed order; the modal result of the button pressed
// (mrCancel, or mrNo, when closed without one).
int32_t MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons);
// The text entered, or the default when cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText);
// Pre-filled with value; false when cancelled (value stays).
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

// Qt's filter text of a platform filter ("Text|*.txt;*.doc" pairs).
std::string QtFileFilter(std::string_view filter);

void registerDialogClasses();
void unregisterDialogClasses();
