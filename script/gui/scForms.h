#pragma once
// Forms, data modules and the application object for scripts and dialog
// pages. A form is a window (a QDialog) with a persistent picture behind
// it: its Canvas draws into that picture at any time, inside OnPaint or
// not, and every paint shows it. ShowModal goes through the UI services,
// so tests and shell runs answer it from a script.

#include <memory>

#include "FormTypes.h"
#include "scControls.h"

class QDialog;
class QPainter;
class TBitmap;
class TCanvas;
class ScFormWindow;


class TCustomForm : public TScrollingWinControl {
    DORVAK_CLASS(TCustomForm, TScrollingWinControl)
public:
    explicit TCustomForm(TComponent* owner = nullptr);
    // OnDestroy first, while the form is whole.
    ~TCustomForm() override;

    // Width and Height are the outer size, ClientWidth and ClientHeight the
    // inside (the same while the window has no frame yet).
    int32_t Width() const override;
    int32_t Height() const override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    void SetClientWidth(int32_t value);
    void SetClientHeight(int32_t value);
    std::string GetText() const override;
    void SetText(const std::string& value) override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TWinControl* ActiveControl() const { return activeControl_.get(); }
    void SetActiveControl(TWinControl* value);

    // Setting a non-zero value while the form is modal asks OnCloseQuery
    // and OnClose; a refusal sets it back to 0, else the modal loop ends
    // with it.
    int32_t ModalResult() const { return modalResult_; }
    void SetModalResult(int32_t value);
    // The modal result (mrCancel when the window was just closed).
    int32_t ShowModal();
    // Modal: ends with mrCancel; else closes through OnCloseQuery and OnClose.
    void Close();
    bool CloseQuery();
    bool Modal() const { return modal_; }

    // Draws into the picture behind the form; the same object for the
    // form's life.
    TCanvas* Canvas() const;

    QDialog* Window() const;

    TNotifyEvent OnActivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnHide;
    TNotifyEvent OnPaint;
    TNotifyEvent OnShow;

    static void Publish(TClassBuilder<TCustomForm>& b);

    // The window takes the name, so that scripted answers can find it.
    void SetName(const std::string& newName) override;

protected:
    void ApplyColor() override;
    bool IsWindow() const override { return true; }
    void ShowWidget(bool show) override;
    void ApplyGeometry() override;

private:
    friend class ScFormWindow;
    friend class ScWidgetBridge;
    // The window's close request: true lets it close.
    bool windowClosing();
    // Escape: the Cancel button, if there is one.
    void cancelPressed();
    // The modal loop's look at ModalResult.
    void checkModal();
    void paint(QPainter& painter);
    void growBacking();
    // A window the window system and its drawing surface can hold, or an
    // error that gives the size (the caller names the window).
    void checkSize(int64_t width, int64_t height) const;
    void applyWindowFlags();
    void placeWindow();
    int32_t frameWidth() const;
    int32_t frameHeight() const;

    std::unique_ptr<TBitmap> backing_;
    Ref<TWinControl> activeControl_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormStyle formStyle_ = fsNormal;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    int32_t modalResult_ = mrNone;
    bool keyPreview_ = false;
    bool modal_ = false;
    bool modalDone_ = false;
    bool painting_ = false;
};

class TForm : public TCustomForm {
    DORVAK_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};

class TDataModule : public TComponent {
    DORVAK_CLASS(TDataModule, TComponent)
public:
    using TComponent::TComponent;
};

class TApplication : public TComponent {
    DORVAK_CLASS(TApplication, TComponent)
public:
    using TComponent::TComponent;
    // The program's full file name.
    std::string ExeName() const;
    std::string Title() const;
    void SetTitle(const std::string& value);
    void Minimize();
    void Restore();
    void ProcessMessages();
    static void Publish(TClassBuilder<TApplication>& b);
};

// The process's application object (made on first use, freed by
// unregisterScriptGuiClasses).
TApplication* Application();

// Registers the controls, forms, dialogs and their types with the registry
// (after registerCoreClasses, registerCanvasClasses and
// registerPictureClasses).
void registerScriptGuiClasses();
void unregisterScriptGuiClasses();
