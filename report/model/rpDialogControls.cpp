#include "rpDialogControls.h"

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "CodePages.h"
#include "QtCanvas.h"
#include "rpDialogForm.h"
#include "rpImageList.h"
#include "rpPages.h"
#include "rpRegistry.h"
#include "rpRes.h"
#include "scControls.h"
#include "scForms.h"

namespace {

// The largest picture of a control that Draw makes.
constexpr int kMaxDrawnSide = 8192;

TForm*& parentFormSlot()
{
    static TForm* form = nullptr;
    return form;
}

// The hidden form goes once nothing sits on it.
void releaseParentForm()
{
    TForm*& form = parentFormSlot();
    if (!form || form->ControlCount() > 0) return;
    TForm* empty = form;
    form = nullptr;
    delete empty;
}

void fill(TCanvas& canvas, int left, int top, int right, int bottom, TColor color)
{
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.FillRect({left, top, right, bottom});
}

}  // namespace

int32_t rpControlPixels(Extended value)
{
    constexpr Extended limit = QWIDGETSIZE_MAX;
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(Round(std::clamp(value, -limit, limit)));
}

TWinControl* GetParentForm()
{
    TForm*& form = parentFormSlot();
    if (!form) form = new TForm(nullptr);
    return form;
}

// ---------------------------------------------------------------- TrpDialogComponent

TrpDialogComponent::TrpDialogComponent(TComponent* owner) : TrpReportComponent(owner)
{
    SetComponentStyle(0, rpcsPageContent);
    width_ = height_ = 28;
}

void TrpDialogComponent::Draw(TCanvas& canvas, Extended, Extended, Extended, Extended)
{
    SetWidth(28);
    SetHeight(28);
    const int l = rpControlPixels(Left()), t = rpControlPixels(Top());
    const int r = rpControlPixels(Left() + 28), b = rpControlPixels(Top() + 28);
    // A raised button: light outer and white inner line at the top and
    // left, grey inner and dark outer line at the bottom and right.
    fill(canvas, l, t, r, b, clBtnFace);
    fill(canvas, l, t, r - 1, t + 1, cl3DLight);
    fill(canvas, l, t, l + 1, b - 1, cl3DLight);
    fill(canvas, l + 1, t + 1, r - 2, t + 2, clBtnHighlight);
    fill(canvas, l + 1, t + 1, l + 2, b - 2, clBtnHighlight);
    fill(canvas, l + 1, b - 2, r - 1, b - 1, clBtnShadow);
    fill(canvas, r - 2, t + 1, r - 1, b - 1, clBtnShadow);
    fill(canvas, l, b - 1, r, b, cl3DDkShadow);
    fill(canvas, r - 1, t, r, b, cl3DDkShadow);
    const int image = ObjectImageIndex(ClassType());
    if (image >= 0) {
        const QImage picture = GetResources().GetObjectImages().Image(image);
        if (!picture.isNull()) canvas.Draw(l + 6, t + 6, picture);
    }
    canvas.Font()->SetName("Tahoma");
    canvas.Font()->SetSize(8);
    canvas.Font()->SetStyle({});
    canvas.Font()->SetColor(clBlack);
    canvas.SetFontEscapement(0);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(clWindow);
    const std::u16string name = Utf8ToUtf16(Name());
    canvas.TextOut(l - (canvas.TextWidth(name) - 28) / 2, b + 4, name);
}

void TrpDialogComponent::DefineProperties(TrpFiler& filer)
{
    const bool inReport = GetReport() != nullptr;
    filer.DefineProperty(
        "pLeft", [this](TrpPropReader& r) { SetLeft(static_cast<Extended>(r.ReadInteger())); },
        [this](TrpPropWriter& w) { w.WriteInteger(static_cast<int32_t>(rpControlPixels(Left()))); }, inReport);
    filer.DefineProperty(
        "pTop", [this](TrpPropReader& r) { SetTop(static_cast<Extended>(r.ReadInteger())); },
        [this](TrpPropWriter& w) { w.WriteInteger(static_cast<int32_t>(rpControlPixels(Top()))); }, inReport);
}

// ---------------------------------------------------------------- TrpDialogControl

TrpDialogControl::TrpDialogControl(TComponent* owner) : TrpReportComponent(owner) {}

TrpDialogControl::~TrpDialogControl()
{
    // The children's controls may sit inside this one.
    while (!Objects().empty()) delete Objects().back();
    if (TControl* control = control_.get()) delete control;
    releaseParentForm();
}

TControl* TrpDialogControl::Control() const noexcept
{
    return control_.get();
}

void TrpDialogControl::SetControl(TControl* control)
{
    control_ = control;
    if (!control) return;
    nameWidget();
    width_ = control->Width();
    height_ = control->Height();
    placeControl();
    control->SetBounds(rpControlPixels(Left()), rpControlPixels(Top()), rpControlPixels(Width()),
                       rpControlPixels(Height()));
    control->SetVisible(Visible());
    if (ParentFont())
        control->SetParentFont(true);
    else
        control->Font()->Assign(Font());
}

void TrpDialogControl::placeControl()
{
    TControl* control = Control();
    if (!control) return;
    TWinControl* host = nullptr;
    if (auto* outer = dynamic_cast<TrpDialogControl*>(Parent()))
        host = dynamic_cast<TWinControl*>(outer->Control());
    else if (auto* page = dynamic_cast<TrpDialogPage*>(Parent()))
        host = page->Form();
    control->SetParent(host ? host : GetParentForm());
    releaseParentForm();
}

bool TrpDialogControl::Enabled() const
{
    const TControl* control = Control();
    return !control || control->Enabled();
}

void TrpDialogControl::SetEnabled(bool value)
{
    if (TControl* control = Control()) control->SetEnabled(value);
}

std::string TrpDialogControl::Hint() const
{
    const TControl* control = Control();
    return control ? control->Hint() : std::string();
}

void TrpDialogControl::SetHint(const std::string& value)
{
    if (TControl* control = Control()) control->SetHint(value);
}

bool TrpDialogControl::ShowHint() const
{
    const TControl* control = Control();
    return control && control->ShowHint();
}

void TrpDialogControl::SetShowHint(bool value)
{
    if (TControl* control = Control()) control->SetShowHint(value);
}

std::string TrpDialogControl::Text() const
{
    const TControl* control = Control();
    return control ? control->GetText() : std::string();
}

void TrpDialogControl::SetText(const std::string& value)
{
    if (TControl* control = Control()) control->SetText(value);
}

void TrpDialogControl::SetFocus()
{
    if (auto* window = dynamic_cast<TWinControl*>(Control())) window->SetFocus();
}

void TrpDialogControl::SetName(const std::string& newName)
{
    TControl* control = Control();
    const bool follows =
        control && GetPropInfo(control, "Caption") && control->GetText() == Name() && !IsLoading();
    TrpReportComponent::SetName(newName);
    if (follows) control->SetText(Name());
    nameWidget();
}

void TrpDialogControl::nameWidget()
{
    // Scripted answers fill fields by these names.
    if (TControl* control = Control(); control && control->Widget())
        control->Widget()->setObjectName(QString::fromStdString(Name()));
}

void TrpDialogControl::SetParent(TrpComponent* value)
{
    TrpReportComponent::SetParent(value);
    placeControl();
}

void TrpDialogControl::SetLeft(Extended value)
{
    TrpReportComponent::SetLeft(value);
    if (TControl* control = Control()) control->SetLeft(rpControlPixels(Left()));
}

void TrpDialogControl::SetTop(Extended value)
{
    TrpReportComponent::SetTop(value);
    if (TControl* control = Control()) control->SetTop(rpControlPixels(Top()));
}

void TrpDialogControl::SetWidth(Extended value)
{
    TrpReportComponent::SetWidth(value);
    if (TControl* control = Control()) control->SetWidth(rpControlPixels(Width()));
}

void TrpDialogControl::SetHeight(Extended value)
{
    TrpReportComponent::SetHeight(value);
    if (TControl* control = Control()) control->SetHeight(rpControlPixels(Height()));
}

void TrpDialogControl::SetParentFont(bool value)
{
    TrpReportComponent::SetParentFont(value);
    if (TControl* control = Control()) control->SetParentFont(value);
}

void TrpDialogControl::SetVisible(bool value)
{
    TrpReportComponent::SetVisible(value);
    if (TControl* control = Control()) control->SetVisible(value);
}

void TrpDialogControl::FontChanged()
{
    TrpReportComponent::FontChanged();
    if (TControl* control = Control()) control->Font()->Assign(Font());
}

void TrpDialogControl::Draw(TCanvas& canvas, Extended, Extended, Extended, Extended)
{
    const int width = std::min(rpControlPixels(Width()), kMaxDrawnSide);
    const int height = std::min(rpControlPixels(Height()), kMaxDrawnSide);
    if (width <= 0 || height <= 0) return;
    QImage picture(width, height, QImage::Format_ARGB32_Premultiplied);
    picture.fill(ToQColor(clBtnFace));
    if (const TControl* control = Control(); control && control->Widget()) control->Widget()->render(&picture);
    canvas.Draw(rpControlPixels(AbsLeft()), rpControlPixels(AbsTop()), picture);
}

void TrpDialogControl::Publish(TClassBuilder<TrpDialogControl>& b)
{
    using C = TrpDialogControl;
    b.abstract();
    b.property("Left", &TrpComponent::Left, &TrpComponent::SetLeft);
    b.property("Top", &TrpComponent::Top, &TrpComponent::SetTop);
    b.property("Width", &TrpComponent::Width, &TrpComponent::SetWidth);
    b.property("Height", &TrpComponent::Height, &TrpComponent::SetHeight);
    PublishFont(b);
    b.property("GroupIndex", &TrpComponent::GroupIndex, &TrpComponent::SetGroupIndex).defaultValue(0);
    PublishParentFont(b);
    b.property("Enabled", &C::Enabled, &C::SetEnabled).defaultValue(true);
    b.property("Hint", &C::Hint, &C::SetHint);
    b.property("ShowHint", &C::ShowHint, &C::SetShowHint).defaultValue(false);
    b.property("Visible", &TrpComponent::Visible, &TrpComponent::SetVisible).defaultValue(true);
}

// ---------------------------------------------------------------- the controls

TrpEditControl::TrpEditControl(TComponent* owner) : TrpDialogControl(owner)
{
    SetControl(new TEdit(nullptr));
}

void TrpEditControl::Publish(TClassBuilder<TrpEditControl>& b)
{
    b.property("Text", &TrpDialogControl::Text, &TrpDialogControl::SetText);
}

TrpButtonControl::TrpButtonControl(TComponent* owner) : TrpDialogControl(owner)
{
    SetControl(new TButton(nullptr));
}

int32_t TrpButtonControl::ModalResult() const
{
    const auto* button = dynamic_cast<const TButton*>(Control());
    return button ? button->ModalResult() : mrNone;
}

void TrpButtonControl::SetModalResult(int32_t value)
{
    if (auto* button = dynamic_cast<TButton*>(Control())) button->SetModalResult(value);
}

void TrpButtonControl::Publish(TClassBuilder<TrpButtonControl>& b)
{
    b.property("Caption", &TrpDialogControl::Text, &TrpDialogControl::SetText);
    b.property("ModalResult", &TrpButtonControl::ModalResult, &TrpButtonControl::SetModalResult).defaultValue(0);
}

void registerDialogBaseClasses()
{
    RegisterClass<TrpDialogComponent>();
    RegisterClass<TrpDialogControl>(TrpDialogControl::Publish);
}

void registerDialogControlClasses()
{
    RegisterClass<TrpEditControl>(TrpEditControl::Publish);
    RegisterClass<TrpButtonControl>(TrpButtonControl::Publish);
}
