#include "scControls.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

#include "FontResolver.h"
#include "QtCanvas.h"
#include "scBridge.h"
#include "scForms.h"
#include "scQString.h"

using sc_gui::qs;
using sc_gui::ss;

namespace {

// The installed family for a font name, through the same substitution as
// report text (Tahoma, 宋体 and the like are not on the machine).
QString familyFor(const std::string& name, bool bold, bool italic)
{
    try {
        const ResolvedFont& font = ResolveFont(name, bold, italic);
        if (font.primary().face) return qs(font.primary().face->familyName());
    } catch (const std::exception&) {
        // No pinned font at all: Qt's own choice below.
    }
    return qs(name);
}

Qt::CursorShape cursorShape(int cursor)
{
    switch (cursor) {
    case -1: return Qt::BlankCursor;
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11:
    case -17: return Qt::WaitCursor;
    case -12:
    case -16: return Qt::DragCopyCursor;
    case -13:
    case -18: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

}  // namespace


QFont ToQFont(const TFont& font)
{
    const TFontStyles style = font.Style();
    QFont f(familyFor(font.Name(), style.Contains(fsBold), style.Contains(fsItalic)));
    if (font.Height() != 0) f.setPixelSize(ClampToInt32(std::abs(static_cast<int64_t>(font.Height()))));
    f.setBold(style.Contains(fsBold));
    f.setItalic(style.Contains(fsItalic));
    f.setUnderline(style.Contains(fsUnderline));
    f.setStrikeOut(style.Contains(fsStrikeout));
    return f;
}

bool IsDefaultFont(const TFont& font)
{
    const TFont fresh;
    return font.Name() == fresh.Name() && font.Height() == fresh.Height() && font.Style() == fresh.Style() &&
           font.Color() == fresh.Color() && font.Charset() == fresh.Charset() && font.Pitch() == fresh.Pitch();
}

// ---------------------------------------------------------------- keys

uint16_t QtKeyToVK(int qtKey, bool keypad)
{
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<uint16_t>(96 + qtKey - Qt::Key_0);
        switch (qtKey) {
        case Qt::Key_Asterisk: return 106;
        case Qt::Key_Plus: return 107;
        case Qt::Key_Minus: return 109;
        case Qt::Key_Period: return 110;
        case Qt::Key_Slash: return 111;
        default: break;
        }
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<uint16_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<uint16_t>(112 + qtKey - Qt::Key_F1);
    static const std::pair<int, uint16_t> table[] = {
        {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},     {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},      {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},      {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},     {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},        {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},       {Qt::Key_Up, 38},       {Qt::Key_Right, 39},      {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},     {Qt::Key_Delete, 46},   {Qt::Key_Help, 47},       {Qt::Key_Meta, 91},
        {Qt::Key_Menu, 93},       {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145}, {Qt::Key_Semicolon, 186},
        {Qt::Key_Equal, 187},     {Qt::Key_Comma, 188},   {Qt::Key_Minus, 189},     {Qt::Key_Period, 190},
        {Qt::Key_Slash, 191},     {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},
        {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222},
    };
    for (const auto& [key, vk] : table)
        if (key == qtKey) return vk;
    return 0;
}

int VKToQtKey(uint16_t vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
    if (vk >= 96 && vk <= 105) return Qt::Key_0 + (vk - 96);
    if (vk >= 112 && vk <= 135) return Qt::Key_F1 + (vk - 112);
    for (int key : {Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt,
                    Qt::Key_Pause, Qt::Key_CapsLock, Qt::Key_Escape, Qt::Key_Space, Qt::Key_PageUp, Qt::Key_PageDown,
                    Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Insert,
                    Qt::Key_Delete, Qt::Key_Help, Qt::Key_Meta, Qt::Key_Menu, Qt::Key_NumLock, Qt::Key_ScrollLock,
                    Qt::Key_Semicolon, Qt::Key_Equal, Qt::Key_Comma, Qt::Key_Minus, Qt::Key_Period, Qt::Key_Slash,
                    Qt::Key_QuoteLeft, Qt::Key_BracketLeft, Qt::Key_Backslash, Qt::Key_BracketRight, Qt::Key_Apostrophe})
        if (QtKeyToVK(key, false) == vk) return key;
    return Qt::Key_unknown;
}

TShiftState ShiftStateOf(const QInputEvent* event)
{
    TShiftState shift;
    const Qt::KeyboardModifiers m = event->modifiers();
    if (m & Qt::ShiftModifier) shift.Include(ssShift);
    if (m & Qt::AltModifier) shift.Include(ssAlt);
    if (m & Qt::ControlModifier) shift.Include(ssCtrl);
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
        const Qt::MouseButtons b = mouse->buttons() | mouse->button();
        if (b & Qt::LeftButton) shift.Include(ssLeft);
        if (b & Qt::RightButton) shift.Include(ssRight);
        if (b & Qt::MiddleButton) shift.Include(ssMiddle);
        if (mouse->type() == QEvent::MouseButtonDblClick) shift.Include(ssDouble);
    }
    return shift;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TControl(owner, new QWidget, 0, 0, clWindow) {}

TControl::TControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height, TColor color)
    : TComponent(owner), widget_(widget), color_(color), font_(std::make_unique<TFont>())
{
    width_ = width;
    height_ = height;
    bridge_ = new ScWidgetBridge(this);
    widget->installEventFilter(bridge_);
    widget->setMouseTracking(true);
    widget->resize(width, height);
    widget->hide();
    font_->OnChange = TNotifyEvent([this](TObject*) { fontChanged(); }, this);
    ApplyColor();
}

TControl::~TControl()
{
    TearDown();
    Destroying();
    if (parent_) SetParent(nullptr);
    if (widget_) {
        widget_->hide();
        ScWidgetBridge::Dispose(widget_);
    }
}

void TControl::TearDown() noexcept
{
    if (!bridge_) return;
    if (widget_) {
        widget_->removeEventFilter(bridge_);
        QObject::disconnect(widget_, nullptr, bridge_, nullptr);
    }
    bridge_->Detach();
    ScWidgetBridge::Dispose(bridge_);
    bridge_ = nullptr;
    font_->OnChange = nullptr;
}

TCustomForm* TControl::ParentForm() const
{
    for (const TControl* c = this; c; c = c->parent_)
        if (auto* form = dynamic_cast<const TCustomForm*>(c)) return const_cast<TCustomForm*>(form);
    return nullptr;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    for (TControl* p = parent; p; p = p->parent_)
        if (p == this) throw EInvalidOperation("A control cannot be its own parent");
    if (parent_) std::erase(parent_->controls_, this);
    parent_ = parent;
    if (parent_) parent_->controls_.push_back(this);
    if (widget_) {
        widget_->setParent(parent_ ? parent_->ClientWidget() : nullptr, widget_->windowFlags() & ~Qt::WindowType_Mask);
        if (parentFont_ && parent_) {
            fontFromParent_ = true;
            font_->Assign(parent_->Font());
            fontFromParent_ = false;
        }
        ApplyGeometry();
        ApplyVisibility();
    }
    rememberAnchors();
    if (parent_) parent_->Realign();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if ((width != width_ || height != height_) && OnCanResize) {
        bool resize = true;
        Ref<TControl> self(this);
        RaiseEvent(OnCanResize, this, width, height, resize);
        if (!self) return;
        if (!resize) {
            width = width_;
            height = height_;
        }
    }
    const bool sized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    ApplyGeometry();
    rememberAnchors();
    if (auto* win = dynamic_cast<TWinControl*>(this); win && sized) win->Realign();
    if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::ApplyGeometry()
{
    if (!widget_) return;
    settingBounds_ = true;
    widget_->setGeometry(left_, top_, width_, height_);
    settingBounds_ = false;
}

void TControl::rememberAnchors()
{
    if (!parent_) return;
    anchorRight_ = parent_->ClientWidth() - (left_ + Width());
    anchorBottom_ = parent_->ClientHeight() - (top_ + Height());
}

void TControl::WidgetResized(int32_t width, int32_t height)
{
    if (!settingBounds_ && (width != width_ || height != height_)) {
        width_ = width;
        height_ = height;
        if (auto* win = dynamic_cast<TWinControl*>(this)) win->Realign();
    }
    RaiseEvent(OnResize, this);
}

void TControl::WidgetMoved(int32_t left, int32_t top)
{
    if (settingBounds_) return;
    left_ = left;
    top_ = top;
}

void TControl::SetVisible(bool value)
{
    visible_ = value;
    ApplyVisibility();
}

void TControl::ApplyVisibility()
{
    if (widget_) ShowWidget(visible_ && (parent_ != nullptr || IsWindow()));
}

void TControl::ShowWidget(bool show)
{
    widget_->setVisible(show);
}

void TControl::SetEnabled(bool value)
{
    enabled_ = value;
    if (widget_) widget_->setEnabled(value);
}

void TControl::SetHint(const std::string& value)
{
    hint_ = value;
    if (widget_) widget_->setToolTip(showHint_ ? qs(hint_) : QString());
}

void TControl::SetShowHint(bool value)
{
    showHint_ = value;
    SetHint(hint_);
}

void TControl::SetColor(TColor value)
{
    color_ = value;
    ApplyColor();
}

void TControl::ApplyColor()
{
    if (!widget_ || color_ == clNone || color_ == clDefault) return;
    QPalette palette = widget_->palette();
    palette.setColor(widget_->backgroundRole(), ToQColor(color_));
    widget_->setPalette(palette);
}

void TControl::SetParentFont(bool value)
{
    parentFont_ = value;
    if (value && parent_) {
        fontFromParent_ = true;
        font_->Assign(parent_->Font());
        fontFromParent_ = false;
    }
}

void TControl::fontChanged()
{
    if (!fontFromParent_) parentFont_ = false;
    ApplyFont();
}

void TControl::ApplyFont()
{
    if (!widget_) return;
    widget_->setFont(ToQFont(*font_));
    QPalette palette = widget_->palette();
    const QColor color = ToQColor(font_->Color());
    palette.setColor(widget_->foregroundRole(), color);
    palette.setColor(QPalette::Text, color);
    widget_->setPalette(palette);
}

void TControl::SetAlign(TAlign value)
{
    align_ = value;
    if (parent_) parent_->Realign();
}

void TControl::SetAnchors(TAnchors value)
{
    anchors_ = value;
    rememberAnchors();
}

void TControl::SetCursor(TCursor value)
{
    cursor_ = value;
    if (!widget_) return;
    if (static_cast<int>(value) == 0)
        widget_->unsetCursor();
    else
        widget_->setCursor(cursorShape(static_cast<int>(value)));
}

void TControl::SetText(const std::string& value)
{
    text_ = value;
}

void TControl::Click()
{
    RaiseEvent(OnClick, this);
}

void TControl::Publish(TClassBuilder<TControl>& b)
{
    b.property("Left", &TControl::Left, &TControl::SetLeft).defaultValue(0);
    b.property("Top", &TControl::Top, &TControl::SetTop).defaultValue(0);
    b.property("Width", &TControl::Width, &TControl::SetWidth).defaultValue(0);
    b.property("Height", &TControl::Height, &TControl::SetHeight).defaultValue(0);
    b.property("Align", &TControl::Align, &TControl::SetAlign).defaultValue(alNone);
    b.property("Anchors", &TControl::Anchors, &TControl::SetAnchors).defaultValue(TAnchors{akLeft, akTop});
    b.property("Color", &TControl::Color, &TControl::SetColor).defaultValue(clWindow);
    b.property("Cursor", &TControl::Cursor, &TControl::SetCursor).defaultValue(0);
    b.property("Enabled", &TControl::Enabled, &TControl::SetEnabled).defaultValue(true);
    b.property("Font", &TControl::Font, &TControl::SetFont).stored([](const TControl& c) {
        return !c.ParentFont() && !IsDefaultFont(*c.Font());
    });
    b.property("Hint", &TControl::Hint, &TControl::SetHint);
    b.property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).defaultValue(true);
    b.property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).defaultValue(false);
    b.property("Visible", &TControl::Visible, &TControl::SetVisible).defaultValue(true);
    b.property("OnCanResize", &TControl::OnCanResize);
    b.property("OnClick", &TControl::OnClick);
    b.property("OnDblClick", &TControl::OnDblClick);
    b.property("OnMouseDown", &TControl::OnMouseDown);
    b.property("OnMouseMove", &TControl::OnMouseMove);
    b.property("OnMouseUp", &TControl::OnMouseUp);
    b.property("OnResize", &TControl::OnResize);
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, new QWidget, 0, 0, clWindow, false) {}

TWinControl::TWinControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height, TColor color, bool tabStop)
    : TControl(owner, widget, width, height, color)
{
    SetTabStop(tabStop);
}

TWinControl::~TWinControl()
{
    TearDown();
    Destroying();
    while (!controls_.empty()) delete controls_.back();
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount()) RaiseListIndexError(index);
    return controls_[static_cast<size_t>(index)];
}

int32_t TWinControl::TabOrder() const
{
    if (!Parent()) return -1;
    int32_t order = 0;
    for (TControl* c : Parent()->controls_) {
        if (c == this) return order;
        if (dynamic_cast<TWinControl*>(c)) ++order;
    }
    return -1;
}

void TWinControl::SetTabOrder(int32_t value)
{
    TWinControl* parent = Parent();
    if (!parent) return;
    auto& list = parent->controls_;
    std::erase(list, static_cast<TControl*>(this));
    size_t at = 0;
    int32_t seen = 0;
    while (at < list.size() && seen < value) {
        if (dynamic_cast<TWinControl*>(list[at])) ++seen;
        ++at;
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
    QWidget* previous = nullptr;
    for (TControl* c : list)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Widget()) {
            if (previous) QWidget::setTabOrder(previous, w->Widget());
            previous = w->Widget();
        }
}

void TWinControl::SetTabStop(bool value)
{
    tabStop_ = value;
    if (Widget()) Widget()->setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::SetFocus()
{
    if (Widget()) Widget()->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const
{
    return Widget() && Widget()->hasFocus();
}

void TWinControl::ApplyFont()
{
    TControl::ApplyFont();
    for (TControl* child : controls_)
        if (child->parentFont_) {
            child->fontFromParent_ = true;
            child->font_->Assign(Font());
            child->fontFromParent_ = false;
        }
}

void TWinControl::Realign()
{
    int32_t left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
    const auto place = [](TControl* c, int32_t l, int32_t t, int32_t w, int32_t h) {
        c->left_ = l;
        c->top_ = t;
        c->width_ = std::max(w, 0);
        c->height_ = std::max(h, 0);
        c->ApplyGeometry();
    };
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls_) {
            if (c->align_ != pass || !c->visible_) continue;
            switch (pass) {
            case alTop: place(c, left, top, right - left, c->height_); top += c->height_; break;
            case alBottom: bottom -= c->height_; place(c, left, bottom, right - left, c->height_); break;
            case alLeft: place(c, left, top, c->width_, bottom - top); left += c->width_; break;
            case alRight: right -= c->width_; place(c, right, top, c->width_, bottom - top); break;
            default: place(c, left, top, right - left, bottom - top); break;
            }
        }
    }
    for (TControl* c : controls_) {
        if (c->align_ != alNone) continue;
        const TAnchors a = c->anchors_;
        int32_t l = c->left_, t = c->top_, w = c->width_, h = c->height_;
        if (a.Contains(akRight)) {
            if (a.Contains(akLeft)) w = ClientWidth() - c->anchorRight_ - l;
            else l = ClientWidth() - c->anchorRight_ - w;
        }
        if (a.Contains(akBottom)) {
            if (a.Contains(akTop)) h = ClientHeight() - c->anchorBottom_ - t;
            else t = ClientHeight() - c->anchorBottom_ - h;
        }
        if (l != c->left_ || t != c->top_ || w != c->width_ || h != c->height_) place(c, l, t, w, h);
    }
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift)
{
    Ref<TControl> self(this);
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview()) RaiseEvent(form->OnKeyDown, form, key, shift);
    if (key && self) RaiseEvent(OnKeyDown, this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift)
{
    Ref<TControl> self(this);
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview()) RaiseEvent(form->OnKeyUp, form, key, shift);
    if (key && self) RaiseEvent(OnKeyUp, this, key, shift);
}

void TWinControl::KeyPress(std::string& key)
{
    const auto swallowed = [&] { return key.empty() || key[0] == '\0'; };
    Ref<TControl> self(this);
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview()) RaiseEvent(form->OnKeyPress, form, key);
    if (!swallowed() && self) RaiseEvent(OnKeyPress, this, key);
}

void TWinControl::Publish(TClassBuilder<TWinControl>& b)
{
    b.property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).defaultValue(-1);
    b.property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).defaultValue(false);
    b.property("OnEnter", &TWinControl::OnEnter);
    b.property("OnExit", &TWinControl::OnExit);
    b.property("OnKeyDown", &TWinControl::OnKeyDown);
    b.property("OnKeyPress", &TWinControl::OnKeyPress);
    b.property("OnKeyUp", &TWinControl::OnKeyUp);
}

