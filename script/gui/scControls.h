#pragma once
// Controls over Qt widgets for scripts and dialog pages: each control is a
// component that owns one widget (through a QPointer, so a widget Qt
// deleted leaves a safe, empty control) and a small QObject bridge that
// turns the widget's events into the control's events, always inside the
// exception guard. Geometry is the platform's: Left/Top/Width/Height in
// pixels relative to the parent control. A control without a parent is
// never shown (only forms are windows).

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "ControlEvents.h"
#include "ControlIdents.h"
#include "Graphics.h"
#include "StringLists.h"

class QFont;
class QWidget;
class QEvent;
class QKeyEvent;
class QMouseEvent;
class QInputEvent;
class TWinControl;
class TCustomForm;
class ScWidgetBridge;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// The same names, left and right only (check boxes, radio buttons).
enum class TLeftRight { taLeftJustify, taRightJustify };
// Of scroll boxes; forms have TFormBorderStyle.
enum class TBorderStyle { bsNone, bsSingle };

// Calls a copy of an event: a handler may replace the event while it runs.
template <class E, class... A>
void RaiseEvent(const E& event, A&&... args)
{
    if (!event) return;
    const E copy = event;
    copy(std::forward<A>(args)...);
}

// The modal results.
constexpr int32_t mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
                  mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

class TControl : public TComponent {
    DORVAK_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner = nullptr);
    ~TControl() override;

    // nullptr once Qt deleted the widget.
    QWidget* Widget() const { return widget_; }
    TWinControl* Parent() const { return parent_; }
    // Moves the control into parent (nil takes it out; it is then hidden).
    virtual void SetParent(TWinControl* parent);
    TCustomForm* ParentForm() const;

    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    virtual int32_t Width() const { return width_; }
    virtual int32_t Height() const { return height_; }
    void SetLeft(int32_t value) { SetBounds(value, top_, Width(), Height()); }
    void SetTop(int32_t value) { SetBounds(left_, value, Width(), Height()); }
    void SetWidth(int32_t value) { SetBounds(left_, top_, value, Height()); }
    void SetHeight(int32_t value) { SetBounds(left_, top_, Width(), value); }
    // OnCanResize may change or refuse a new size; aligned children follow.
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual int32_t ClientWidth() const { return Width(); }
    virtual int32_t ClientHeight() const { return Height(); }

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* value) { font_->Assign(value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);

    // Caption or Text, whichever the control shows.
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& value);

    // The platform's Click: OnClick (buttons also give their modal result).
    virtual void Click();

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    static void Publish(TClassBuilder<TControl>& b);

protected:
    // Takes ownership of the widget.
    TControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height, TColor color);
    // Detaches the bridge; destructors that could be reached from widget
    // events call it first. Idempotent.
    void TearDown() noexcept;
    // Fonts and colours as Qt sees them.
    virtual void ApplyFont();
    virtual void ApplyColor();
    // The widget child controls sit in.
    virtual QWidget* ClientWidget() const { return widget_; }
    // Whether clicks reach OnClick from mouse releases (buttons use their signal).
    virtual bool ClicksFromMouse() const { return true; }
    // The widget's size changed from Qt's side (a user resizing a window).
    void WidgetResized(int32_t width, int32_t height);
    void WidgetMoved(int32_t left, int32_t top);
    // Windows are shown without a parent; other controls only inside one.
    virtual bool IsWindow() const { return false; }
    virtual void ShowWidget(bool show);
    virtual void ApplyGeometry();
    void ApplyVisibility();

    // Whether a resize is under way from our side.
    bool settingBounds_ = false;
    ScWidgetBridge* bridge_ = nullptr;
    // The bounds as stored: a form keeps its client size here.
    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;

private:
    friend class TWinControl;
    friend class ScWidgetBridge;
    void fontChanged();
    void rememberAnchors();

    QPointer<QWidget> widget_;
    TWinControl* parent_ = nullptr;
    // Distances to the parent's right and bottom edges, for anchors.
    int32_t anchorRight_ = 0, anchorBottom_ = 0;
    bool enabled_ = true;
    bool showHint_ = false;
    bool parentFont_ = true;
    bool fontFromParent_ = false;
    std::string hint_;
    std::string text_;
    TColor color_ = clWindow;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    TCursor cursor_ = crDefault;
    std::unique_ptr<TFont> font_;
};

class TWinControl : public TControl {
    DORVAK_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner = nullptr);
    // Destroys its child controls first, whoever owns them.
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    int32_t TabOrder() const;
    void SetTabOrder(int32_t value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    void SetFocus();
    bool Focused() const;
    // Places aligned and anchored children in the client area.
    void Realign();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    static void Publish(TClassBuilder<TWinControl>& b);

protected:
    TWinControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height, TColor color, bool tabStop);
    // The form's handlers first when it previews keys, then the control's:
    // a key code set to 0, or a typed text set to "" or #0, is swallowed.
    void KeyDown(uint16_t& key, TShiftState shift);
    void KeyUp(uint16_t& key, TShiftState shift);
    void KeyPress(std::string& key);
    // Keys the control leaves to its form (a memo's Return without WantReturns).
    virtual bool LeavesKeyToForm(int /*qtKey*/) const { return false; }
    // Children with ParentFont follow.
    void ApplyFont() override;

private:
    friend class TControl;
    friend class ScWidgetBridge;
    std::vector<TControl*> controls_;
    bool tabStop_ = false;
};

class TCustomControl : public TWinControl {
    DORVAK_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* owner = nullptr) : TWinControl(owner) {}
};

class TGraphicControl : public TControl {
    DORVAK_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* owner = nullptr) : TControl(owner) {}

protected:
    using TControl::TControl;
};

class TGroupBox : public TWinControl {
    DORVAK_CLASS(TGroupBox, TWinControl)
public:
    explicit TGroupBox(TComponent* owner = nullptr);
    void SetText(const std::string& value) override;
    static void Publish(TClassBuilder<TGroupBox>& b);
};

class TLabel : public TGraphicControl {
    DORVAK_CLASS(TLabel, TGraphicControl)
public:
    explicit TLabel(TComponent* owner = nullptr);
    void SetText(const std::string& value) override;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TWinControl* FocusControl() const { return focusControl_.get(); }
    void SetFocusControl(TWinControl* value) { focusControl_ = value; }
    static void Publish(TClassBuilder<TLabel>& b);

private:
    void applyAlignment();
    void adjustSize();
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    Ref<TWinControl> focusControl_;
};

class TEdit : public TWinControl {
    DORVAK_CLASS(TEdit, TWinControl)
public:
    explicit TEdit(TComponent* owner = nullptr);
    std::string GetText() const override;
    void SetText(const std::string& value) override;
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    int32_t MaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    static void Publish(TClassBuilder<TEdit>& b);

private:
    int32_t maxLength_ = 0;
    char passwordChar_ = '\0';
    TEditCharCase charCase_ = ecNormal;
    bool autoSelect_ = true;
};

class TMemo : public TWinControl {
    DORVAK_CLASS(TMemo, TWinControl)
public:
    explicit TMemo(TComponent* owner = nullptr);
    ~TMemo() override;
    std::string GetText() const override;
    void SetText(const std::string& value) override;
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* value) { lines_->Assign(value); }
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value);
    int32_t MaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value) { maxLength_ = std::max(value, 0); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    static void Publish(TClassBuilder<TMemo>& b);

protected:
    bool LeavesKeyToForm(int qtKey) const override;

private:
    std::unique_ptr<TStrings> lines_;
    TScrollStyle scrollBars_ = ssNone;
    TAlignment alignment_ = taLeftJustify;
    int32_t maxLength_ = 0;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
};

class TCustomComboBox : public TWinControl {
    DORVAK_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* owner = nullptr);
    ~TCustomComboBox() override;
    std::string GetText() const override;
    void SetText(const std::string& value) override;
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* value) { items_->Assign(value); }
    int32_t ItemIndex() const;
    void SetItemIndex(int32_t value);
    bool DroppedDown() const { return droppedDown_; }
    void SetDroppedDown(bool value);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    int32_t DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int32_t value);
    int32_t MaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    static void Publish(TClassBuilder<TCustomComboBox>& b);

private:
    friend class ScComboWidget;
    friend class TComboItems;
    void popupShown();
    void popupHidden();
    std::unique_ptr<TStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    int32_t dropDownCount_ = 8;
    int32_t maxLength_ = 0;
    bool sorted_ = false;
    bool droppedDown_ = false;
};

class TComboBox : public TCustomComboBox {
    DORVAK_CLASS(TComboBox, TCustomComboBox)
public:
    using TCustomComboBox::TCustomComboBox;
};

class TButton : public TWinControl {
    DORVAK_CLASS(TButton, TWinControl)
public:
    explicit TButton(TComponent* owner = nullptr);
    void SetText(const std::string& value) override;
    int32_t ModalResult() const { return modalResult_; }
    void SetModalResult(int32_t value) { modalResult_ = value; }
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // OnClick, then the modal result goes to the form.
    void Click() override;
    static void Publish(TClassBuilder<TButton>& b);

protected:
    bool ClicksFromMouse() const override { return false; }

private:
    int32_t modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

class TCheckBox : public TWinControl {
    DORVAK_CLASS(TCheckBox, TWinControl)
public:
    explicit TCheckBox(TComponent* owner = nullptr);
    void SetText(const std::string& value) override;
    bool Checked() const { return State() == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const;
    void SetState(TCheckBoxState value);
    bool AllowGrayed() const;
    void SetAllowGrayed(bool value);
    TLeftRight Alignment() const { return alignment_; }
    void SetAlignment(TLeftRight value);
    static void Publish(TClassBuilder<TCheckBox>& b);

protected:
    bool ClicksFromMouse() const override { return false; }

private:
    TLeftRight alignment_ = TLeftRight::taRightJustify;
};

class TRadioButton : public TWinControl {
    DORVAK_CLASS(TRadioButton, TWinControl)
public:
    explicit TRadioButton(TComponent* owner = nullptr);
    void SetText(const std::string& value) override;
    bool Checked() const;
    void SetChecked(bool value);
    TLeftRight Alignment() const { return alignment_; }
    void SetAlignment(TLeftRight value);
    static void Publish(TClassBuilder<TRadioButton>& b);

protected:
    bool ClicksFromMouse() const override { return false; }

private:
    TLeftRight alignment_ = TLeftRight::taRightJustify;
};

class TCustomListBox : public TWinControl {
    DORVAK_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* owner = nullptr);
    ~TCustomListBox() override;
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* value) { items_->Assign(value); }
    int32_t ItemIndex() const;
    void SetItemIndex(int32_t value);
    int32_t SelCount() const;
    // Out of range raises "List index out of bounds (%d)".
    bool Selected(int32_t index) const;
    void SetSelected(int32_t index, bool value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool ExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool value);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle value) { style_ = value; }
    int32_t ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int32_t value);
    int32_t Columns() const { return columns_; }
    void SetColumns(int32_t value);
    static void Publish(TClassBuilder<TCustomListBox>& b);

private:
    void applySelectionMode();
    std::unique_ptr<TStrings> items_;
    TListBoxStyle style_ = lbStandard;
    int32_t itemHeight_ = 16;
    int32_t columns_ = 0;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool sorted_ = false;
};

class TListBox : public TCustomListBox {
    DORVAK_CLASS(TListBox, TCustomListBox)
public:
    using TCustomListBox::TCustomListBox;
};

enum TScrollBarKind { sbHorizontal, sbVertical };

// One scroll bar of a scrolling control: Range is the scrolled extent
// (0: the children's), Position the scrolled distance.
class TControlScrollBar : public TPersistent {
    DORVAK_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TControl* control = nullptr, TScrollBarKind kind = sbHorizontal);
    int32_t Range() const { return range_; }
    void SetRange(int32_t value);
    int32_t Position() const;
    void SetPosition(int32_t value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    int32_t Increment() const { return increment_; }
    void SetIncrement(int32_t value);
    void Assign(const TPersistent* source) override;
    static void Publish(TClassBuilder<TControlScrollBar>& b);

private:
    friend class TScrollingWinControl;
    void apply();
    TControl* control_;
    TScrollBarKind kind_;
    int32_t range_ = 0;
    int32_t position_ = 0;
    int32_t increment_ = 8;
    bool visible_ = true;
};

class TScrollingWinControl : public TWinControl {
    DORVAK_CLASS(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* owner = nullptr);
    ~TScrollingWinControl() override;
    TControlScrollBar* HorzScrollBar() const { return horz_.get(); }
    void SetHorzScrollBar(TControlScrollBar* value) { horz_->Assign(value); }
    TControlScrollBar* VertScrollBar() const { return vert_.get(); }
    void SetVertScrollBar(TControlScrollBar* value) { vert_->Assign(value); }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool value);
    // The scroll area's content follows the children (and the ranges).
    void UpdateScrollRange();
    static void Publish(TClassBuilder<TScrollingWinControl>& b);

protected:
    TScrollingWinControl(TComponent* owner, QWidget* widget, int32_t width, int32_t height, TColor color);
    QWidget* ClientWidget() const override;

private:
    std::unique_ptr<TControlScrollBar> horz_;
    std::unique_ptr<TControlScrollBar> vert_;
    bool autoScroll_ = true;
};

class TScrollBox : public TScrollingWinControl {
    DORVAK_CLASS(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* owner = nullptr);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    static void Publish(TClassBuilder<TScrollBox>& b);

private:
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

// The Qt font of a font (names through the same substitution as report text).
QFont ToQFont(const TFont& font);
// Whether a font is what a new one is (then it need not be stored).
bool IsDefaultFont(const TFont& font);

// Virtual-key codes and Qt keys both ways (letters and digits coincide;
// 0 and Qt::Key_unknown where there is no counterpart).
uint16_t QtKeyToVK(int qtKey, bool keypad);
int VKToQtKey(uint16_t vk);
TShiftState ShiftStateOf(const QInputEvent* event);
