#include "scForms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "ImageCodecs.h"
#include "Pictures.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "scBridge.h"
#include "scDialogs.h"
#include "scQString.h"

using sc_gui::qs;

// The window of a form: paints the form's picture and asks the form
// before it closes.
class ScFormWindow final : public QDialog {
public:
    explicit ScFormWindow(TCustomForm* form) : form_(form) {}
    void Forget() { form_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!form_) return;
        QPainter painter(this);
        form_->paint(painter);
    }
    void closeEvent(QCloseEvent* event) override { event->setAccepted(!form_ || form_->windowClosing()); }
    // Escape clicks the Cancel button; without one it does nothing.
    void reject() override
    {
        if (!form_) {
            QDialog::reject();
            return;
        }
        form_->cancelPressed();
    }

private:
    TCustomForm* form_;
};

namespace {

// Fills part of the picture behind a form, keeping the canvas's brush.
void fill(TCanvas& canvas, const TRect& rect, TColor color)
{
    if (rect.IsEmpty()) return;
    TBrush saved;
    saved.Assign(canvas.Brush());
    canvas.Brush()->SetColor(color);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(rect);
    canvas.Brush()->Assign(&saved);
}

TButton* cancelButton(TWinControl& parent)
{
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        if (auto* button = dynamic_cast<TButton*>(c); button && button->Cancel() && button->Visible() && button->Enabled())
            return button;
        if (auto* win = dynamic_cast<TWinControl*>(c))
            if (TButton* found = cancelButton(*win)) return found;
    }
    return nullptr;
}

// Frees the form once the events under way are done (the platform's Release).
void releaseLater(TCustomForm* form)
{
    QTimer::singleShot(0, [ref = Ref<TComponent>(form)] {
        if (TComponent* c = ref.get()) delete c;
    });
}

}  // namespace

// ---------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner, new ScFormWindow(this), 320, 240, clBtnFace), backing_(std::make_unique<TBitmap>())
{
    visible_ = false;
    SetParentFont(false);
    backing_->SetSize(320, 240);
    fill(*backing_->Canvas(), Rect(0, 0, 320, 240), Color());
    backing_->OnChange = TNotifyEvent(
        [this](TObject*) {
            if (!painting_ && Window()) Window()->update();
        },
        this);
    ApplyColor();
}

TCustomForm::~TCustomForm()
{
    // Guarded: a failing handler must not leave the destructor.
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnDestroy, &c); });
    if (auto* window = static_cast<ScFormWindow*>(Window())) window->Forget();
    TearDown();
    backing_->OnChange = nullptr;
}

QDialog* TCustomForm::Window() const
{
    return qobject_cast<QDialog*>(Widget());
}

void TCustomForm::SetName(const std::string& newName)
{
    TScrollingWinControl::SetName(newName);
    if (Window()) Window()->setObjectName(qs(Name()));
}

int32_t TCustomForm::frameWidth() const
{
    QDialog* w = Window();
    return w && w->isVisible() ? w->frameGeometry().width() - w->width() : 0;
}

int32_t TCustomForm::frameHeight() const
{
    QDialog* w = Window();
    return w && w->isVisible() ? w->frameGeometry().height() - w->height() : 0;
}

int32_t TCustomForm::Width() const
{
    return width_ + frameWidth();
}

int32_t TCustomForm::Height() const
{
    return height_ + frameHeight();
}

void TCustomForm::checkSize(int64_t width, int64_t height) const
{
    if (width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels) return;
    throw EInvalidOperation("a window of " + IntToStr(width) + " x " + IntToStr(height) + " pixels is too large");
}

void TCustomForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    checkSize(std::max<int64_t>(int64_t(width) - frameWidth(), 0), std::max<int64_t>(int64_t(height) - frameHeight(), 0));
    TScrollingWinControl::SetBounds(left, top, width - frameWidth(), height - frameHeight());
}

int32_t TCustomForm::ClientWidth() const
{
    return width_;
}

int32_t TCustomForm::ClientHeight() const
{
    return height_;
}

void TCustomForm::SetClientWidth(int32_t value)
{
    checkSize(value, height_);
    TScrollingWinControl::SetBounds(left_, top_, value, height_);
}

void TCustomForm::SetClientHeight(int32_t value)
{
    checkSize(width_, value);
    TScrollingWinControl::SetBounds(left_, top_, width_, value);
}

void TCustomForm::ApplyGeometry()
{
    QDialog* w = Window();
    if (!w) return;
    settingBounds_ = true;
    w->move(left_, top_);
    w->resize(width_, height_);
    growBacking();
    if (borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow)
        w->setFixedSize(width_, height_);
    settingBounds_ = false;
}

std::string TCustomForm::GetText() const
{
    return Window() ? Window()->windowTitle().toStdString() : std::string();
}

void TCustomForm::SetText(const std::string& value)
{
    if (Window()) Window()->setWindowTitle(qs(value));
}

void TCustomForm::ApplyColor()
{
    TScrollingWinControl::ApplyColor();
    if (Window()) Window()->update();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    borderStyle_ = value;
    applyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    borderIcons_ = value;
    applyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
    formStyle_ = value;
    applyWindowFlags();
}

void TCustomForm::applyWindowFlags()
{
    QDialog* w = Window();
    if (!w) return;
    Qt::WindowFlags flags;
    switch (borderStyle_) {
    case bsNone: flags = Qt::Dialog | Qt::FramelessWindowHint; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint; break;
    default: flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint; break;
    }
    const bool sizeable = borderStyle_ == bsSizeable || borderStyle_ == bsSizeToolWin;
    if (borderIcons_.Contains(biSystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (borderIcons_.Contains(biMinimize) && borderStyle_ != bsDialog) flags |= Qt::WindowMinimizeButtonHint;
    if (borderIcons_.Contains(biMaximize) && sizeable) flags |= Qt::WindowMaximizeButtonHint;
    if (borderIcons_.Contains(biHelp)) flags |= Qt::WindowContextHelpButtonHint;
    if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() != flags) {
        const bool shown = w->isVisible();
        w->setWindowFlags(flags);
        if (shown) w->show();
    }
    if (sizeable) {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        w->setFixedSize(width_, height_);
    }
}

void TCustomForm::placeWindow()
{
    QDialog* w = Window();
    if (!w) return;
    if (position_ == poScreenCenter || position_ == poDesktopCenter) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        left_ = area.x() + (area.width() - Width()) / 2;
        top_ = area.y() + (area.height() - Height()) / 2;
    }
    ApplyGeometry();
}

void TCustomForm::ShowWidget(bool show)
{
    QDialog* w = Window();
    if (!w) return;
    if (!show) {
        w->hide();
        return;
    }
    applyWindowFlags();
    placeWindow();
    switch (windowState_) {
    case wsMinimized: w->showMinimized(); break;
    case wsMaximized: w->showMaximized(); break;
    default: w->show(); break;
    }
}

TWindowState TCustomForm::WindowState() const
{
    QDialog* w = Window();
    if (w && w->isVisible()) return w->isMinimized() ? wsMinimized : w->isMaximized() ? wsMaximized : wsNormal;
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState value)
{
    windowState_ = value;
    if (Visible()) ShowWidget(true);
}

void TCustomForm::SetActiveControl(TWinControl* value)
{
    activeControl_ = value;
    if (value && value->Widget() && Window() && Window()->isVisible()) value->SetFocus();
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    RaiseEvent(OnCloseQuery, this, canClose);
    return canClose;
}

void TCustomForm::SetModalResult(int32_t value)
{
    modalResult_ = value;
    if (!modal_ || value == mrNone || !Window()) return;
    // Checked after the event under way, as the platform's modal loop does.
    QTimer::singleShot(0, Window(), [ref = Ref<TControl>(this)] {
        if (auto* form = static_cast<TCustomForm*>(ref.get()))
            if (form->bridge_) form->bridge_->Fire([form](TControl&) { form->checkModal(); });
    });
}

void TCustomForm::checkModal()
{
    if (!modal_ || modalDone_ || modalResult_ == mrNone) return;
    Ref<TControl> self(this);
    TCloseAction action = caNone;
    if (CloseQuery() && self) {
        action = caHide;
        RaiseEvent(OnClose, this, action);
    }
    if (!self) return;
    if (action == caNone) {
        modalResult_ = mrNone;
        return;
    }
    if (action == caFree) releaseLater(this);
    modalDone_ = true;
    if (Window()) Window()->done(modalResult_);
}

int32_t TCustomForm::ShowModal()
{
    QDialog* w = Window();
    if (!w) return mrCancel;
    if (modal_ || w->isVisible()) throw EInvalidOperation("Cannot make a visible window modal");
    modalResult_ = mrNone;
    modal_ = true;
    modalDone_ = false;
    visible_ = true;
    applyWindowFlags();
    placeWindow();
    Ref<TControl> self(this);
    int result = QDialog::Rejected;
    try {
        result = gui::ui().showModal(*w);
    } catch (...) {
        if (self) modal_ = visible_ = false;
        throw;
    }
    if (!self) return modalResult_ ? modalResult_ : mrCancel;
    // A driver that answered without a modal loop: the result is checked now.
    if (modalResult_ != mrNone && !modalDone_) checkModal();
    if (!self) return mrCancel;
    modal_ = visible_ = false;
    if (w->isVisible()) w->hide();
    if (modalResult_ == mrNone) modalResult_ = result >= mrOk && result <= mrYesToAll ? result : mrCancel;
    return modalResult_;
}

void TCustomForm::Close()
{
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (Window()) Window()->close();
}

bool TCustomForm::windowClosing()
{
    if (modal_) {
        if (!modalDone_) SetModalResult(mrCancel);
        return false;
    }
    bool closes = false;
    if (!bridge_) return true;
    bridge_->Fire([&](TControl&) {
        Ref<TControl> self(this);
        if (!CloseQuery() || !self) return;
        TCloseAction action = caHide;
        RaiseEvent(OnClose, this, action);
        if (!self) return;
        switch (action) {
        case caHide: closes = true; break;
        case caFree: closes = true; releaseLater(this); break;
        case caMinimize:
            if (Window()) Window()->showMinimized();
            break;
        default: break;
        }
    });
    if (closes) visible_ = false;
    return closes;
}

void TCustomForm::cancelPressed()
{
    if (!bridge_) return;
    bridge_->Fire([this](TControl&) {
        if (TButton* button = cancelButton(*this)) button->Click();
    });
}

TCanvas* TCustomForm::Canvas() const
{
    return backing_->Canvas();
}

void TCustomForm::growBacking()
{
    // The picture grows with the window and never shrinks, so drawing
    // survives a window made smaller and larger again.
    int width = std::max(backing_->Width(), width_), height = std::max(backing_->Height(), height_);
    // A wide window after a tall one: the window's own size, when both
    // would make a picture too large.
    if (int64_t(width) * height > kMaxPicturePixels) {
        width = width_;
        height = height_;
    }
    if (width == backing_->Width() && height == backing_->Height()) return;
    const bool painting = painting_;
    painting_ = true;
    const int oldWidth = backing_->Width(), oldHeight = backing_->Height();
    backing_->SetSize(width, height);
    fill(*backing_->Canvas(), Rect(oldWidth, 0, width, height), Color());
    fill(*backing_->Canvas(), Rect(0, oldHeight, oldWidth, height), Color());
    painting_ = painting;
}

void TCustomForm::paint(QPainter& painter)
{
    growBacking();
    painting_ = true;
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnPaint, &c); });
    painting_ = false;
    painter.drawImage(0, 0, backing_->Image());
}

void TCustomForm::Publish(TClassBuilder<TCustomForm>& b)
{
    b.property("Caption", &TCustomForm::GetText, &TCustomForm::SetText);
    b.property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    b.property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
        .defaultValue(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
    b.property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).defaultValue(bsSizeable);
    b.property("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight).defaultValue(240);
    b.property("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth).defaultValue(320);
    b.property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).defaultValue(fsNormal);
    b.property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).defaultValue(false);
    b.property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).defaultValue(poDesigned);
    b.property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).defaultValue(wsNormal);
    b.property("OnActivate", &TCustomForm::OnActivate);
    b.property("OnClose", &TCustomForm::OnClose);
    b.property("OnCloseQuery", &TCustomForm::OnCloseQuery);
    b.property("OnCreate", &TCustomForm::OnCreate);
    b.property("OnDestroy", &TCustomForm::OnDestroy);
    b.property("OnDeactivate", &TCustomForm::OnDeactivate);
    b.property("OnHide", &TCustomForm::OnHide);
    b.property("OnPaint", &TCustomForm::OnPaint);
    b.property("OnShow", &TCustomForm::OnShow);
    // The client size is what a form stores.
    b.redeclare("Width").stored(false);
    b.redeclare("Height").stored(false);
    b.redeclare("ParentFont").defaultValue(false);
    b.redeclare("Visible").defaultValue(false);
}

// ---------------------------------------------------------------- application

std::string TApplication::ExeName() const
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath().toStdString() : std::string();
}

std::string TApplication::Title() const
{
    return gui::applicationTitle().toStdString();
}

void TApplication::SetTitle(const std::string& value)
{
    gui::setApplicationTitle(qs(value));
}

void TApplication::Minimize()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->showMinimized();
}

void TApplication::Restore()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isMinimized()) w->showNormal();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TApplication::Publish(TClassBuilder<TApplication>& b)
{
    b.property("Title", &TApplication::Title, &TApplication::SetTitle).stored(false);
}

namespace {

std::unique_ptr<TApplication>& applicationObject()
{
    static std::unique_ptr<TApplication> application;
    return application;
}

}  // namespace

TApplication* Application()
{
    auto& application = applicationObject();
    if (!application) {
        application = std::make_unique<TApplication>();
        application->SetName("Application");
    }
    return application.get();
}

// ---------------------------------------------------------------- registration

void registerScriptGuiClasses()
{
    RegisterEnum<TAlign>("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
    RegisterEnum<TAnchorKind>("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    RegisterSet<TAnchors>("TAnchors");
    RegisterEnum<TTextLayout>("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
    RegisterEnum<TEditCharCase>("TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"});
    RegisterEnum<TScrollStyle>("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    RegisterEnum<TComboBoxStyle>("TComboBoxStyle",
                                 {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"});
    RegisterEnum<TCheckBoxState>("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
    RegisterEnum<TListBoxStyle>("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"});
    RegisterEnum<TAlignment>("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterEnum<TLeftRight>("TLeftRight", {"taLeftJustify", "taRightJustify"});
    RegisterEnum<TBorderStyle>("TBorderStyle", {"bsNone", "bsSingle"});
    registerFormTypes();

    RegisterClass<TControl>(TControl::Publish);
    RegisterClass<TWinControl>(TWinControl::Publish);
    RegisterClass<TCustomControl>();
    RegisterClass<TGraphicControl>();
    RegisterClass<TGroupBox>(TGroupBox::Publish);
    RegisterClass<TLabel>(TLabel::Publish);
    RegisterClass<TEdit>(TEdit::Publish);
    RegisterClass<TMemo>(TMemo::Publish);
    RegisterClass<TCustomComboBox>(TCustomComboBox::Publish);
    RegisterClass<TComboBox>();
    RegisterClass<TButton>(TButton::Publish);
    RegisterClass<TCheckBox>(TCheckBox::Publish);
    RegisterClass<TRadioButton>(TRadioButton::Publish);
    RegisterClass<TCustomListBox>(TCustomListBox::Publish);
    RegisterClass<TListBox>();
    RegisterClass<TControlScrollBar>(TControlScrollBar::Publish);
    RegisterClass<TScrollingWinControl>(TScrollingWinControl::Publish);
    RegisterClass<TScrollBox>(TScrollBox::Publish);
    RegisterClass<TCustomForm>(TCustomForm::Publish);
    RegisterClass<TForm>();
    RegisterClass<TDataModule>();
    RegisterClass<TApplication>(TApplication::Publish);
    registerDialogClasses();
}

void unregisterScriptGuiClasses()
{
    applicationObject().reset();
    unregisterDialogClasses();
    UnregisterClass<TApplication>();
    UnregisterClass<TDataModule>();
    UnregisterClass<TForm>();
    UnregisterClass<TCustomForm>();
    UnregisterClass<TScrollBox>();
    UnregisterClass<TScrollingWinControl>();
    UnregisterClass<TControlScrollBar>();
    UnregisterClass<TListBox>();
    UnregisterClass<TCustomListBox>();
    UnregisterClass<TRadioButton>();
    UnregisterClass<TCheckBox>();
    UnregisterClass<TButton>();
    UnregisterClass<TComboBox>();
    UnregisterClass<TCustomComboBox>();
    UnregisterClass<TMemo>();
    UnregisterClass<TEdit>();
    UnregisterClass<TLabel>();
    UnregisterClass<TGroupBox>();
    UnregisterClass<TGraphicControl>();
    UnregisterClass<TCustomControl>();
    UnregisterClass<TWinControl>();
    UnregisterClass<TControl>();
    unregisterFormTypes();
    UnregisterType<TBorderStyle>();
    UnregisterType<TLeftRight>();
    UnregisterType<TAlignment>();
    UnregisterType<TListBoxStyle>();
    UnregisterType<TCheckBoxState>();
    UnregisterType<TComboBoxStyle>();
    UnregisterType<TScrollStyle>();
    UnregisterType<TEditCharCase>();
    UnregisterType<TTextLayout>();
    UnregisterType<TAnchors>();
    UnregisterType<TAnchorKind>();
    UnregisterType<TAlign>();
}
