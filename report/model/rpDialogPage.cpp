#include <QDialog>

#include <mutex>

#include "rpDialogControls.h"
#include "rpDialogForm.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"

namespace {

// The page's mark, for the time its form is made, that the report runs in
// the background: the form then skips its definition.
constexpr int32_t kBackgroundTag = 318;

// The first character of a UTF-8 text, or character 0 for an empty one.
std::string firstCharacter(const std::string& text)
{
    if (text.empty()) return std::string(1, '\0');
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
    return text.substr(0, length);
}

}  // namespace

TrpDialogPage::TrpDialogPage(TComponent* owner) : TrpPage(owner)
{
    SetTreeKind(rpkDialogPage);
    const int32_t tag = Tag();
    TrpReport* report = GetReport();
    SetTag(report && report->EngineOptions()->BackgroundMode ? kBackgroundTag : 0);
    try {
        form_ = std::make_unique<TrpDialogForm>(this);
    } catch (...) {
        SetTag(tag);
        throw;
    }
    SetTag(tag);
    form_->SetKeyPreview(true);
    Font()->SetName("Tahoma");
    Font()->SetSize(8);
    form_->SetColor(color_);
    form_->SetShowHint(true);
}

TrpDialogPage::~TrpDialogPage()
{
    std::lock_guard<std::recursive_mutex> lock(rpClassLock());
    while (!Objects().empty()) delete Objects().back();
    form_.reset();
}

void TrpDialogPage::SetCaption(const std::string& value)
{
    caption_ = value;
    form_->SetText(value);
}

void TrpDialogPage::SetColor(TColor value)
{
    color_ = value;
    form_->SetColor(value);
}

Extended TrpDialogPage::ClientWidth() const
{
    return form_->ClientWidth();
}

void TrpDialogPage::SetClientWidth(Extended value)
{
    form_->SetClientWidth(rpControlPixels(value));
    clientWidth_ = value;
    TrpPage::SetWidth(form_->Width());
}

Extended TrpDialogPage::ClientHeight() const
{
    return form_->ClientHeight();
}

void TrpDialogPage::SetClientHeight(Extended value)
{
    form_->SetClientHeight(rpControlPixels(value));
    clientHeight_ = value;
    TrpPage::SetHeight(form_->Height());
}

void TrpDialogPage::SetLeft(Extended value)
{
    TrpPage::SetLeft(value);
    form_->SetLeft(rpControlPixels(value));
}

void TrpDialogPage::SetTop(Extended value)
{
    TrpPage::SetTop(value);
    form_->SetTop(rpControlPixels(value));
}

void TrpDialogPage::SetWidth(Extended value)
{
    TrpPage::SetWidth(value);
    if (!IsLoading() || clientWidth_ == 0) form_->SetWidth(rpControlPixels(value));
}

void TrpDialogPage::SetHeight(Extended value)
{
    TrpPage::SetHeight(value);
    if (!IsLoading() || clientHeight_ == 0) form_->SetHeight(rpControlPixels(value));
}

void TrpDialogPage::FontChanged()
{
    TrpPage::FontChanged();
    if (form_) form_->Font()->Assign(Font());
}

void TrpDialogPage::SetName(const std::string& newName)
{
    TrpPage::SetName(newName);
    if (QDialog* window = form_->Window()) window->setObjectName(QString::fromStdString(Name()));
}

std::string TrpDialogPage::GetDescription() const
{
    return GetResources().Get("obDlgPage");
}

int32_t TrpDialogPage::ModalResult() const
{
    return form_->ModalResult();
}

void TrpDialogPage::SetModalResult(int32_t value)
{
    form_->SetModalResult(value);
}

bool TrpDialogPage::HasControls() const
{
    return form_->ControlCount() > 0;
}

void TrpDialogPage::takeFormBounds()
{
    left_ = form_->Left();
    top_ = form_->Top();
    width_ = form_->Width();
    height_ = form_->Height();
}

void TrpDialogPage::notify(const std::string& handler, TObject* sender)
{
    if (TrpReport* report = GetReport()) report->DoNotifyEvent(sender, handler, runAlways_);
}

void TrpDialogPage::callWithParams(const std::string& handler, Variant& params)
{
    if (TrpReport* report = GetReport()) report->DoParamEvent(handler, params, runAlways_);
}

void TrpDialogPage::wireFormEvents()
{
    TrpDialogForm& form = *form_;
    form.OnActivate = TNotifyEvent(
        [this](TObject* sender) {
            takeFormBounds();
            Ref<TrpComponent> self(this);
            notify(OnActivate, sender);
            if (!self) return;
            const std::vector<TrpComponent*> objects = GetAllObjects();
            for (TrpComponent* object : objects)
                if (auto* control = dynamic_cast<TrpDialogControl*>(object); control && control->ActivateHook)
                    control->ActivateHook(this);
        },
        this);
    form.OnClick = TNotifyEvent([this](TObject* sender) { notify(OnClick, sender); }, this);
    form.OnCloseQuery = TCloseQueryEvent(
        [this](TObject* sender, bool& canClose) {
            Variant params = VarArrayOf({ObjectToVariant(sender), Variant(canClose)});
            callWithParams(OnCloseQuery, params);
            canClose = params.arrayGet(1).toBool();
        },
        this);
    form.OnDeactivate = TNotifyEvent([this](TObject* sender) { notify(OnDeactivate, sender); }, this);
    form.OnHide = TNotifyEvent([this](TObject* sender) { notify(OnHide, sender); }, this);
    const auto keyHandler = [this](const std::string* handler) {
        return TKeyEvent(
            [this, handler](TObject* sender, uint16_t& key, TShiftState shift) {
                Variant params = VarArrayOf(
                    {ObjectToVariant(sender), Variant(int32_t(key)), Variant(static_cast<int32_t>(shift.Bits()))});
                callWithParams(*handler, params);
                key = static_cast<uint16_t>(params.arrayGet(1).toInt());
            },
            this);
    };
    form.OnKeyDown = keyHandler(&OnKeyDown);
    form.OnKeyUp = keyHandler(&OnKeyUp);
    form.OnKeyPress = TKeyPressEvent(
        [this](TObject* sender, std::string& key) {
            Variant params = VarArrayOf({ObjectToVariant(sender), Variant(key)});
            callWithParams(OnKeyPress, params);
            // A text left as it was (several characters from an input
            // method among them) is typed as it came.
            if (const std::string typed = params.arrayGet(1).toString(); typed != key) key = firstCharacter(typed);
        },
        this);
    form.OnShow = TNotifyEvent(
        [this](TObject* sender) {
            // The control that had the focus gets it back.
            if (TWinControl* active = form_->ActiveControl()) form_->SetActiveControl(active);
            notify(OnShow, sender);
        },
        this);
    form.OnResize = TNotifyEvent([this](TObject* sender) { notify(OnResize, sender); }, this);
    // The report's preview forgets the hint it showed.
    form.OnMouseMove = TMouseMoveEvent(
        [this](TObject*, TShiftState, int32_t, int32_t) {
            if (TrpReport* report = GetReport()) report->SetProgressMessage(std::string());
        },
        this);
}

int TrpDialogPage::ShowModal()
{
    TrpReport* report = GetReport();
    runAlways_ = !(report && report->EngineOptions()->DestroyForms);
    TrpDialogForm& form = *form_;
    if (form.Window() && form.Window()->isVisible()) form.Hide();
    form.SetPosition(Position);
    form.SetWindowState(WindowState);
    wireFormEvents();
    form.SetBorderStyle(borderStyle_);
    form.SetFormStyle(fsNormal);
    form.OnModify = TNotifyEvent([this](TObject*) { takeFormBounds(); }, this);
    const int result = form.ShowModal();
    form.SetFormStyle(fsStayOnTop);
    return result;
}

void TrpDialogPage::Publish(TClassBuilder<TrpDialogPage>& b)
{
    using P = TrpDialogPage;
    b.property("BorderStyle", &P::BorderStyle, &P::SetBorderStyle).defaultValue(bsSizeable);
    b.property("Caption", &P::Caption, &P::SetCaption);
    b.property("Color", &P::Color, &P::SetColor).defaultValue(clBtnFace);
    b.property("Height", &TrpComponent::Height, &TrpComponent::SetHeight);
    b.property("ClientHeight", &P::ClientHeight, &P::SetClientHeight).stored([](const P& p) {
        return p.clientHeight_ != 0;
    });
    b.property("Left", &TrpComponent::Left, &TrpComponent::SetLeft);
    b.property("Position", &P::Position).defaultValue(poScreenCenter);
    b.property("Top", &TrpComponent::Top, &TrpComponent::SetTop);
    b.property("Width", &TrpComponent::Width, &TrpComponent::SetWidth);
    b.property("ClientWidth", &P::ClientWidth, &P::SetClientWidth).stored([](const P& p) {
        return p.clientWidth_ != 0;
    });
    b.property("WindowState", &P::WindowState).defaultValue(wsNormal);
    b.property("OnActivate", &P::OnActivate);
    b.property("OnClick", &P::OnClick);
    b.property("OnCloseQuery", &P::OnCloseQuery);
    b.property("OnDeactivate", &P::OnDeactivate);
    b.property("OnHide", &P::OnHide);
    b.property("OnKeyDown", &P::OnKeyDown);
    b.property("OnKeyPress", &P::OnKeyPress);
    b.property("OnKeyUp", &P::OnKeyUp);
    b.property("OnShow", &P::OnShow);
    b.property("OnResize", &P::OnResize);
}
