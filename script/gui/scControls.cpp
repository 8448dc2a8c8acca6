#include "scControls.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "FontResolver.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "scBridge.h"
#include "scForms.h"

namespace {

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string ss(const QString& s)
{
    return s.toStdString();
}

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

Qt::Alignment horizontal(TAlignment a)
{
    return a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
}

// ---- string lists over widgets

// The lines of a plain-text edit: a final line break ends the last line
// rather than starting an empty one.
class TMemoLines final : public TStrings {
public:
    explicit TMemoLines(QPlainTextEdit* edit) : edit_(edit) {}
    int Count() const override { return static_cast<int>(lines().size()); }
    std::string Get(int index) const override
    {
        const auto all = lines();
        if (index < 0 || index >= static_cast<int>(all.size())) Error("List index out of bounds (%d)", index);
        return all[static_cast<size_t>(index)];
    }
    void Put(int index, const std::string& s) override
    {
        auto all = lines();
        if (index < 0 || index >= static_cast<int>(all.size())) Error("List index out of bounds (%d)", index);
        all[static_cast<size_t>(index)] = s;
        store(all);
    }
    void Clear() override { store({}); }
    void Delete(int index) override
    {
        auto all = lines();
        if (index < 0 || index >= static_cast<int>(all.size())) Error("List index out of bounds (%d)", index);
        all.erase(all.begin() + index);
        store(all);
    }
    void Insert(int index, const std::string& s) override
    {
        auto all = lines();
        if (index < 0 || index > static_cast<int>(all.size())) Error("List index out of bounds (%d)", index);
        all.insert(all.begin() + index, s);
        store(all);
    }
    void SetText(std::string_view text) override
    {
        TStringList split;
        split.SetText(text);
        std::vector<std::string> all;
        for (int i = 0; i < split.Count(); ++i) all.push_back(split[i]);
        store(all);
    }

private:
    std::vector<std::string> lines() const
    {
        std::vector<std::string> all;
        if (!edit_) return all;
        const QString text = edit_->toPlainText();
        if (text.isEmpty()) return all;
        for (const QString& line : text.split(QLatin1Char('\n'))) all.push_back(ss(line));
        if (!all.empty() && all.back().empty()) all.pop_back();
        return all;
    }
    void store(const std::vector<std::string>& all)
    {
        if (!edit_) return;
        QStringList list;
        for (const std::string& s : all) list << qs(s);
        edit_->setPlainText(list.join(QLatin1Char('\n')));
    }
    QPointer<QPlainTextEdit> edit_;
};

// The items of a combo box or list widget, with their objects as handles.
template <class W>
class TWidgetItems final : public TStrings {
public:
    TWidgetItems(W* widget, const bool& sorted) : widget_(widget), sorted_(sorted) {}
    int Count() const override { return widget_ ? count(*widget_) : 0; }
    std::string Get(int index) const override { return ss(text(checked(index), index)); }
    void Put(int index, const std::string& s) override { setText(checked(index), index, qs(s)); }
    TObject* GetObject(int index) const override
    {
        return FindObjectByHandle(data(checked(index), index).toULongLong());
    }
    void PutObject(int index, TObject* object) override
    {
        setData(checked(index), index, QVariant::fromValue<qulonglong>(object ? object->Handle() : 0));
    }
    void Clear() override
    {
        if (widget_) widget_->clear();
    }
    void Delete(int index) override { remove(checked(index), index); }
    void Insert(int index, const std::string& s) override
    {
        if (!widget_) return;
        if (index < 0 || index > count(*widget_)) Error("List index out of bounds (%d)", index);
        insert(*widget_, index, qs(s));
    }
    int AddObject(const std::string& s, TObject* object) override
    {
        int at = Count();
        if (sorted_) {
            at = 0;
            while (at < Count() && CompareText(Get(at), s) <= 0) ++at;
        }
        Insert(at, s);
        if (object) PutObject(at, object);
        return at;
    }

private:
    W& checked(int index) const
    {
        if (!widget_ || index < 0 || index >= count(*widget_)) Error("List index out of bounds (%d)", index);
        return *widget_;
    }
    static int count(QComboBox& w) { return w.count(); }
    static int count(QListWidget& w) { return w.count(); }
    static QString text(QComboBox& w, int i) { return w.itemText(i); }
    static QString text(QListWidget& w, int i) { return w.item(i)->text(); }
    static void setText(QComboBox& w, int i, const QString& t) { w.setItemText(i, t); }
    static void setText(QListWidget& w, int i, const QString& t) { w.item(i)->setText(t); }
    static QVariant data(QComboBox& w, int i) { return w.itemData(i); }
    static QVariant data(QListWidget& w, int i) { return w.item(i)->data(Qt::UserRole); }
    static void setData(QComboBox& w, int i, const QVariant& v) { w.setItemData(i, v); }
    static void setData(QListWidget& w, int i, const QVariant& v) { w.item(i)->setData(Qt::UserRole, v); }
    static void remove(QComboBox& w, int i) { w.removeItem(i); }
    static void remove(QListWidget& w, int i) { delete w.takeItem(i); }
    static void insert(QComboBox& w, int i, const QString& t) { w.insertItem(i, t); }
    static void insert(QListWidget& w, int i, const QString& t) { w.insertItem(i, t); }

    QPointer<W> widget_;
    const bool& sorted_;
};

}  // namespace

QFont ToQFont(const TFont& font)
{
    const TFontStyles style = font.Style();
    QFont f(familyFor(font.Name(), style.Contains(fsBold), style.Contains(fsItalic)));
    if (font.Height() != 0) f.setPixelSize(std::abs(font.Height()));
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

// ---------------------------------------------------------------- simple controls

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new QGroupBox, 185, 105, clBtnFace, false) {}

void TGroupBox::SetText(const std::string& value)
{
    TControl::SetText(value);
    if (auto* box = qobject_cast<QGroupBox*>(Widget())) box->setTitle(qs(value));
}

void TGroupBox::Publish(TClassBuilder<TGroupBox>& b)
{
    b.property("Caption", &TGroupBox::GetText, &TGroupBox::SetText);
    b.redeclare("Width").defaultValue(185);
    b.redeclare("Height").defaultValue(105);
    b.redeclare("Color").defaultValue(clBtnFace);
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner, new QLabel, 65, 13, clBtnFace)
{
    applyAlignment();
}

void TLabel::SetText(const std::string& value)
{
    TControl::SetText(value);
    if (auto* label = qobject_cast<QLabel*>(Widget())) label->setText(qs(value));
    adjustSize();
}

void TLabel::adjustSize()
{
    auto* label = qobject_cast<QLabel*>(Widget());
    if (!autoSize_ || !label || wordWrap_) return;
    const QSize hint = label->sizeHint();
    SetBounds(Left(), Top(), hint.width(), hint.height());
}

void TLabel::applyAlignment()
{
    auto* label = qobject_cast<QLabel*>(Widget());
    if (!label) return;
    const Qt::Alignment vertical = layout_ == tlCenter ? Qt::AlignVCenter : layout_ == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
    label->setAlignment(horizontal(alignment_) | vertical);
    label->setWordWrap(wordWrap_);
    label->setAutoFillBackground(!transparent_);
}

void TLabel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    applyAlignment();
}

void TLabel::SetAutoSize(bool value)
{
    autoSize_ = value;
    adjustSize();
}

void TLabel::SetWordWrap(bool value)
{
    wordWrap_ = value;
    applyAlignment();
}

void TLabel::SetLayout(TTextLayout value)
{
    layout_ = value;
    applyAlignment();
}

void TLabel::SetTransparent(bool value)
{
    transparent_ = value;
    applyAlignment();
}

void TLabel::Publish(TClassBuilder<TLabel>& b)
{
    b.property("Caption", &TLabel::GetText, &TLabel::SetText);
    b.property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).defaultValue(taLeftJustify);
    b.property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).defaultValue(true);
    b.property("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
    b.property("Layout", &TLabel::Layout, &TLabel::SetLayout).defaultValue(tlTop);
    b.property("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).defaultValue(false);
    b.property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).defaultValue(false);
    b.redeclare("Width").defaultValue(65);
    b.redeclare("Height").defaultValue(13);
    b.redeclare("Color").defaultValue(clBtnFace);
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new QLineEdit, 121, 21, clWindow, true)
{
    auto* edit = static_cast<QLineEdit*>(Widget());
    // The case rule holds for typed text too.
    QObject::connect(edit, &QLineEdit::textEdited, bridge_, [this, edit](const QString& text) {
        if (charCase_ == ecNormal) return;
        const QString cased = charCase_ == ecUpperCase ? text.toUpper() : text.toLower();
        if (cased == text) return;
        const int at = edit->cursorPosition();
        edit->setText(cased);
        edit->setCursorPosition(at);
    });
}

std::string TEdit::GetText() const
{
    auto* edit = qobject_cast<QLineEdit*>(Widget());
    return edit ? ss(edit->text()) : std::string();
}

void TEdit::SetText(const std::string& value)
{
    auto* edit = qobject_cast<QLineEdit*>(Widget());
    if (!edit) return;
    const QString text = qs(value);
    edit->setText(charCase_ == ecUpperCase ? text.toUpper() : charCase_ == ecLowerCase ? text.toLower() : text);
}

bool TEdit::ReadOnly() const
{
    auto* edit = qobject_cast<QLineEdit*>(Widget());
    return edit && edit->isReadOnly();
}

void TEdit::SetReadOnly(bool value)
{
    if (auto* edit = qobject_cast<QLineEdit*>(Widget())) edit->setReadOnly(value);
}

void TEdit::SetMaxLength(int32_t value)
{
    maxLength_ = std::max(value, 0);
    if (auto* edit = qobject_cast<QLineEdit*>(Widget())) edit->setMaxLength(maxLength_ ? maxLength_ : 32767);
}

void TEdit::SetPasswordChar(char value)
{
    passwordChar_ = value;
    if (auto* edit = qobject_cast<QLineEdit*>(Widget()))
        edit->setEchoMode(value ? QLineEdit::Password : QLineEdit::Normal);
}

void TEdit::SetCharCase(TEditCharCase value)
{
    charCase_ = value;
    SetText(GetText());
}

void TEdit::Publish(TClassBuilder<TEdit>& b)
{
    b.property("Text", &TEdit::GetText, &TEdit::SetText);
    b.property("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect).defaultValue(true);
    b.property("CharCase", &TEdit::CharCase, &TEdit::SetCharCase).defaultValue(ecNormal);
    b.property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).defaultValue(0);
    b.property("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar).defaultValue('\0');
    b.property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).defaultValue(false);
    b.redeclare("Width").defaultValue(121);
    b.redeclare("Height").defaultValue(21);
    b.redeclare("TabStop").defaultValue(true);
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner, new QPlainTextEdit, 185, 89, clWindow, true)
{
    auto* edit = static_cast<QPlainTextEdit*>(Widget());
    lines_ = std::make_unique<TMemoLines>(edit);
    bridge_->Watch(edit->viewport());
    edit->setTabChangesFocus(true);
    SetScrollBars(ssNone);
}

TMemo::~TMemo()
{
    TearDown();
}

std::string TMemo::GetText() const
{
    auto* edit = qobject_cast<QPlainTextEdit*>(Widget());
    if (!edit) return {};
    return lines_->Text();
}

void TMemo::SetText(const std::string& value)
{
    lines_->SetText(value);
}

bool TMemo::ReadOnly() const
{
    auto* edit = qobject_cast<QPlainTextEdit*>(Widget());
    return edit && edit->isReadOnly();
}

void TMemo::SetReadOnly(bool value)
{
    if (auto* edit = qobject_cast<QPlainTextEdit*>(Widget())) edit->setReadOnly(value);
}

void TMemo::SetWordWrap(bool value)
{
    wordWrap_ = value;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(Widget()))
        edit->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    auto* edit = qobject_cast<QPlainTextEdit*>(Widget());
    if (!edit) return;
    const bool h = value == ssHorizontal || value == ssBoth, v = value == ssVertical || value == ssBoth;
    edit->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWantTabs(bool value)
{
    wantTabs_ = value;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(Widget())) edit->setTabChangesFocus(!value);
}

void TMemo::SetAlignment(TAlignment value)
{
    alignment_ = value;
    auto* edit = qobject_cast<QPlainTextEdit*>(Widget());
    if (!edit) return;
    QTextOption option = edit->document()->defaultTextOption();
    option.setAlignment(horizontal(value));
    edit->document()->setDefaultTextOption(option);
}

bool TMemo::LeavesKeyToForm(int qtKey) const
{
    return !wantReturns_ && (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter);
}

void TMemo::Publish(TClassBuilder<TMemo>& b)
{
    b.property("Lines", &TMemo::Lines, &TMemo::SetLines);
    b.property("Alignment", &TMemo::Alignment, &TMemo::SetAlignment).defaultValue(taLeftJustify);
    b.property("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength).defaultValue(0);
    b.property("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).defaultValue(false);
    b.property("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars).defaultValue(ssNone);
    b.property("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).defaultValue(true);
    b.property("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs).defaultValue(false);
    b.property("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).defaultValue(true);
    b.redeclare("Width").defaultValue(185);
    b.redeclare("Height").defaultValue(89);
    b.redeclare("TabStop").defaultValue(true);
}

// ---------------------------------------------------------------- combo box

// Tells its control when the list opens and closes.
class ScComboWidget final : public QComboBox {
public:
    Ref<TCustomComboBox> Owner;
    void showPopup() override
    {
        QComboBox::showPopup();
        if (TCustomComboBox* owner = Owner.get()) owner->popupShown();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (TCustomComboBox* owner = Owner.get()) owner->popupHidden();
    }
};

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner, new ScComboWidget, 145, 21, clWindow, true)
{
    auto* combo = static_cast<ScComboWidget*>(Widget());
    combo->Owner = this;
    items_ = std::make_unique<TWidgetItems<QComboBox>>(combo, sorted_);
    combo->setInsertPolicy(QComboBox::NoInsert);
    SetStyle(csDropDown);
    const auto changed = [this] { RaiseEvent(OnChange, this); };
    QObject::connect(combo, &QComboBox::activated, bridge_, [this, changed](int) { bridge_->Fire([&](TControl&) { changed(); }); });
    QObject::connect(combo, &QComboBox::editTextChanged, bridge_, [this, changed](const QString&) {
        auto* c = qobject_cast<QComboBox*>(Widget());
        if (c && c->lineEdit() && c->lineEdit()->hasFocus()) bridge_->Fire([&](TControl&) { changed(); });
    });
}

TCustomComboBox::~TCustomComboBox()
{
    TearDown();
    if (auto* combo = static_cast<ScComboWidget*>(qobject_cast<QComboBox*>(Widget()))) combo->Owner = nullptr;
}

void TCustomComboBox::popupShown()
{
    droppedDown_ = true;
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomComboBox&>(c).OnDropDown, &c); });
}

void TCustomComboBox::popupHidden()
{
    if (!droppedDown_) return;
    droppedDown_ = false;
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomComboBox&>(c).OnCloseUp, &c); });
}

std::string TCustomComboBox::GetText() const
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    return combo ? ss(combo->currentText()) : std::string();
}

void TCustomComboBox::SetText(const std::string& value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    if (combo->isEditable())
        combo->setEditText(qs(value));
    else
        combo->setCurrentIndex(combo->findText(qs(value)));
}

int32_t TCustomComboBox::ItemIndex() const
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return -1;
    // An edited text that is no item selects nothing.
    if (combo->isEditable() && combo->currentIndex() >= 0 && combo->currentText() != combo->itemText(combo->currentIndex()))
        return -1;
    return combo->currentIndex();
}

void TCustomComboBox::SetItemIndex(int32_t value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    if (value < -1 || value >= combo->count()) value = -1;
    combo->setCurrentIndex(value);
    if (value < 0 && combo->isEditable()) combo->setEditText(QString());
}

void TCustomComboBox::SetDroppedDown(bool value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo || value == droppedDown_) return;
    if (value)
        combo->showPopup();
    else
        combo->hidePopup();
}

void TCustomComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    const std::string text = GetText();
    combo->setEditable(value == csDropDown || value == csSimple);
    if (combo->lineEdit()) {
        combo->lineEdit()->setMaxLength(maxLength_ ? maxLength_ : 32767);
        bridge_->Watch(combo->lineEdit());
    }
    SetText(text);
}

void TCustomComboBox::SetSorted(bool value)
{
    sorted_ = value;
    if (value)
        if (auto* combo = qobject_cast<QComboBox*>(Widget())) combo->model()->sort(0);
}

void TCustomComboBox::SetDropDownCount(int32_t value)
{
    dropDownCount_ = std::max(value, 1);
    if (auto* combo = qobject_cast<QComboBox*>(Widget())) combo->setMaxVisibleItems(dropDownCount_);
}

void TCustomComboBox::SetMaxLength(int32_t value)
{
    maxLength_ = std::max(value, 0);
    SetStyle(style_);
}

void TCustomComboBox::Publish(TClassBuilder<TCustomComboBox>& b)
{
    b.property("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
    b.property("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText);
    b.property("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).defaultValue(8);
    b.property("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).defaultValue(0);
    b.property("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).defaultValue(false);
    b.property("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).defaultValue(csDropDown);
    b.property("OnChange", &TCustomComboBox::OnChange);
    b.property("OnDropDown", &TCustomComboBox::OnDropDown);
    b.property("OnCloseUp", &TCustomComboBox::OnCloseUp);
    b.redeclare("Width").defaultValue(145);
    b.redeclare("Height").defaultValue(21);
    b.redeclare("TabStop").defaultValue(true);
}

// ---------------------------------------------------------------- buttons

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton, 75, 25, clBtnFace, true)
{
    auto* button = static_cast<QPushButton*>(Widget());
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, bridge_, [this] { bridge_->Fire([](TControl& c) { c.Click(); }); });
}

void TButton::SetText(const std::string& value)
{
    TControl::SetText(value);
    if (auto* button = qobject_cast<QPushButton*>(Widget())) button->setText(qs(value));
}

void TButton::SetDefault(bool value)
{
    default_ = value;
    if (auto* button = qobject_cast<QPushButton*>(Widget())) button->setDefault(value);
}

void TButton::Click()
{
    // The form learns the result first; OnClick may still change it.
    if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TButton::Publish(TClassBuilder<TButton>& b)
{
    b.property("Caption", &TButton::GetText, &TButton::SetText);
    b.property("Cancel", &TButton::Cancel, &TButton::SetCancel).defaultValue(false);
    b.property("Default", &TButton::Default, &TButton::SetDefault).defaultValue(false);
    b.property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).defaultValue(0);
    b.redeclare("Width").defaultValue(75);
    b.redeclare("Height").defaultValue(25);
    b.redeclare("Color").defaultValue(clBtnFace);
    b.redeclare("TabStop").defaultValue(true);
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner, new QCheckBox, 97, 17, clBtnFace, true)
{
    auto* box = static_cast<QCheckBox*>(Widget());
    QObject::connect(box, &QCheckBox::clicked, bridge_, [this] { bridge_->Fire([](TControl& c) { c.Click(); }); });
}

void TCheckBox::SetText(const std::string& value)
{
    TControl::SetText(value);
    if (auto* box = qobject_cast<QCheckBox*>(Widget())) box->setText(qs(value));
}

TCheckBoxState TCheckBox::State() const
{
    auto* box = qobject_cast<QCheckBox*>(Widget());
    if (!box) return cbUnchecked;
    const Qt::CheckState s = box->checkState();
    return s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
}

void TCheckBox::SetState(TCheckBoxState value)
{
    auto* box = qobject_cast<QCheckBox*>(Widget());
    if (!box || value == State()) return;
    if (value == cbGrayed) box->setTristate(true);
    box->setCheckState(value == cbChecked ? Qt::Checked : value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    // As on the platform, a change from the program clicks too.
    Click();
}

bool TCheckBox::AllowGrayed() const
{
    auto* box = qobject_cast<QCheckBox*>(Widget());
    return box && box->isTristate();
}

void TCheckBox::SetAllowGrayed(bool value)
{
    if (auto* box = qobject_cast<QCheckBox*>(Widget())) box->setTristate(value);
}

void TCheckBox::SetAlignment(TLeftRight value)
{
    alignment_ = value;
    if (Widget()) Widget()->setLayoutDirection(value == TLeftRight::taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::Publish(TClassBuilder<TCheckBox>& b)
{
    b.property("Caption", &TCheckBox::GetText, &TCheckBox::SetText);
    b.property("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment).defaultValue(TLeftRight::taRightJustify);
    b.property("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).defaultValue(false);
    b.property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).defaultValue(false).stored(false);
    b.property("State", &TCheckBox::State, &TCheckBox::SetState).defaultValue(cbUnchecked);
    b.redeclare("Width").defaultValue(97);
    b.redeclare("Height").defaultValue(17);
    b.redeclare("Color").defaultValue(clBtnFace);
    b.redeclare("TabStop").defaultValue(true);
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner, new QRadioButton, 113, 17, clBtnFace, true)
{
    auto* button = static_cast<QRadioButton*>(Widget());
    QObject::connect(button, &QRadioButton::clicked, bridge_, [this] { bridge_->Fire([](TControl& c) { c.Click(); }); });
}

void TRadioButton::SetText(const std::string& value)
{
    TControl::SetText(value);
    if (auto* button = qobject_cast<QRadioButton*>(Widget())) button->setText(qs(value));
}

bool TRadioButton::Checked() const
{
    auto* button = qobject_cast<QRadioButton*>(Widget());
    return button && button->isChecked();
}

void TRadioButton::SetChecked(bool value)
{
    auto* button = qobject_cast<QRadioButton*>(Widget());
    if (!button || value == button->isChecked()) return;
    if (!value) {
        // Qt keeps one of a group checked; the platform allows none.
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
        return;
    }
    button->setChecked(true);
    Click();
}

void TRadioButton::SetAlignment(TLeftRight value)
{
    alignment_ = value;
    if (Widget()) Widget()->setLayoutDirection(value == TLeftRight::taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TRadioButton::Publish(TClassBuilder<TRadioButton>& b)
{
    b.property("Caption", &TRadioButton::GetText, &TRadioButton::SetText);
    b.property("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment).defaultValue(TLeftRight::taRightJustify);
    b.property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).defaultValue(false);
    b.redeclare("Width").defaultValue(113);
    b.redeclare("Height").defaultValue(17);
    b.redeclare("Color").defaultValue(clBtnFace);
    b.redeclare("TabStop").defaultValue(true);
}

// ---------------------------------------------------------------- list box

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner, new QListWidget, 121, 97, clWindow, true)
{
    auto* list = static_cast<QListWidget*>(Widget());
    items_ = std::make_unique<TWidgetItems<QListWidget>>(list, sorted_);
    bridge_->Watch(list->viewport());
    applySelectionMode();
}

TCustomListBox::~TCustomListBox()
{
    TearDown();
}

int32_t TCustomListBox::ItemIndex() const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    return list ? list->currentRow() : -1;
}

void TCustomListBox::SetItemIndex(int32_t value)
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    if (value < -1 || value >= list->count()) value = -1;
    list->setCurrentRow(value);
}

int32_t TCustomListBox::SelCount() const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || !multiSelect_) return -1;
    return static_cast<int32_t>(list->selectedItems().size());
}

bool TCustomListBox::Selected(int32_t index) const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || index < 0 || index >= list->count()) RaiseListIndexError(index);
    return list->item(index)->isSelected();
}

void TCustomListBox::SetSelected(int32_t index, bool value)
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || index < 0 || index >= list->count()) RaiseListIndexError(index);
    if (!multiSelect_ && value) list->setCurrentRow(index);
    list->item(index)->setSelected(value);
}

void TCustomListBox::applySelectionMode()
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    list->setSelectionMode(!multiSelect_      ? QAbstractItemView::SingleSelection
                           : extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                             : QAbstractItemView::MultiSelection);
}

void TCustomListBox::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    applySelectionMode();
}

void TCustomListBox::SetExtendedSelect(bool value)
{
    extendedSelect_ = value;
    applySelectionMode();
}

void TCustomListBox::SetSorted(bool value)
{
    sorted_ = value;
    if (auto* list = qobject_cast<QListWidget*>(Widget()); list && value) list->sortItems();
}

void TCustomListBox::SetItemHeight(int32_t value)
{
    itemHeight_ = std::max(value, 1);
}

void TCustomListBox::SetColumns(int32_t value)
{
    columns_ = std::max(value, 0);
    // Items flow down and wrap into further columns.
    if (auto* list = qobject_cast<QListWidget*>(Widget())) list->setWrapping(columns_ > 0);
}

void TCustomListBox::Publish(TClassBuilder<TCustomListBox>& b)
{
    b.property("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
    b.property("Columns", &TCustomListBox::Columns, &TCustomListBox::SetColumns).defaultValue(0);
    b.property("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect).defaultValue(true);
    b.property("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight).defaultValue(16);
    b.property("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).defaultValue(false);
    b.property("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).defaultValue(false);
    b.property("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).defaultValue(lbStandard);
    b.redeclare("Width").defaultValue(121);
    b.redeclare("Height").defaultValue(97);
    b.redeclare("TabStop").defaultValue(true);
}

// ---------------------------------------------------------------- scrolling

TControlScrollBar::TControlScrollBar(TControl* control, TScrollBarKind kind) : control_(control), kind_(kind) {}

namespace {

QScrollBar* barOf(TControl* control, TScrollBarKind kind)
{
    auto* area = control ? qobject_cast<QAbstractScrollArea*>(control->Widget()) : nullptr;
    if (!area) return nullptr;
    return kind == sbHorizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
}

}  // namespace

void TControlScrollBar::SetRange(int32_t value)
{
    range_ = std::max(value, 0);
    if (auto* scrolling = dynamic_cast<TScrollingWinControl*>(control_)) scrolling->UpdateScrollRange();
}

int32_t TControlScrollBar::Position() const
{
    if (QScrollBar* bar = barOf(control_, kind_)) return bar->value();
    return position_;
}

void TControlScrollBar::SetPosition(int32_t value)
{
    position_ = std::max(value, 0);
    if (QScrollBar* bar = barOf(control_, kind_)) bar->setValue(position_);
}

void TControlScrollBar::SetVisible(bool value)
{
    visible_ = value;
    apply();
}

void TControlScrollBar::SetIncrement(int32_t value)
{
    increment_ = std::max(value, 1);
    apply();
}

void TControlScrollBar::apply()
{
    auto* area = control_ ? qobject_cast<QAbstractScrollArea*>(control_->Widget()) : nullptr;
    if (!area) return;
    const Qt::ScrollBarPolicy policy = visible_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (kind_ == sbHorizontal)
        area->setHorizontalScrollBarPolicy(policy);
    else
        area->setVerticalScrollBarPolicy(policy);
    if (QScrollBar* bar = barOf(control_, kind_)) bar->setSingleStep(increment_);
}

void TControlScrollBar::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TControlScrollBar*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    increment_ = other->increment_;
    visible_ = other->visible_;
    apply();
    SetRange(other->range_);
    SetPosition(other->Position());
}

void TControlScrollBar::Publish(TClassBuilder<TControlScrollBar>& b)
{
    b.property("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).defaultValue(8);
    b.property("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).defaultValue(0);
    b.property("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).defaultValue(0);
    b.property("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).defaultValue(true);
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TScrollingWinControl(owner, new QWidget, 0, 0, clBtnFace)
{
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height,
                                           TColor color)
    : TWinControl(owner, widget, width, height, color, false),
      horz_(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      vert_(std::make_unique<TControlScrollBar>(this, sbVertical))
{
    if (auto* area = qobject_cast<QScrollArea*>(widget)) {
        auto* content = new QWidget;
        area->setWidget(content);
        area->setWidgetResizable(false);
        bridge_->Watch(area->viewport());
    }
}

TScrollingWinControl::~TScrollingWinControl()
{
    TearDown();
}

QWidget* TScrollingWinControl::ClientWidget() const
{
    if (auto* area = qobject_cast<QScrollArea*>(Widget())) return area->widget();
    return Widget();
}

void TScrollingWinControl::SetAutoScroll(bool value)
{
    autoScroll_ = value;
    UpdateScrollRange();
}

void TScrollingWinControl::UpdateScrollRange()
{
    auto* area = qobject_cast<QScrollArea*>(Widget());
    if (!area || !area->widget()) return;
    int32_t width = horz_->Range(), height = vert_->Range();
    if (autoScroll_)
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            width = std::max(width, c->Left() + c->Width());
            height = std::max(height, c->Top() + c->Height());
        }
    const QSize view = area->viewport()->size();
    area->widget()->resize(std::max(width, view.width()), std::max(height, view.height()));
}

void TScrollingWinControl::Publish(TClassBuilder<TScrollingWinControl>& b)
{
    b.property("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll).defaultValue(true);
    b.property("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar);
    b.property("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
    b.redeclare("Color").defaultValue(clBtnFace);
}

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner, new QScrollArea, 185, 41, clBtnFace)
{
    SetTabStop(false);
}

void TScrollBox::SetBorderStyle(TBorderStyle value)
{
    borderStyle_ = value;
    if (auto* area = qobject_cast<QScrollArea*>(Widget()))
        area->setFrameShape(value == TBorderStyle::bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TScrollBox::Publish(TClassBuilder<TScrollBox>& b)
{
    b.property("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).defaultValue(TBorderStyle::bsSingle);
    b.redeclare("Width").defaultValue(185);
    b.redeclare("Height").defaultValue(41);
}
