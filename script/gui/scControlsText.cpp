// The text controls: group box, label, edit and memo.
#include "scControls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

#include "SysUtils.h"
#include "scBridge.h"
#include "scControlsKit.h"

using sc_gui::qs;
using sc_gui::ss;

namespace {

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

}  // namespace

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
    label->setAlignment(ScHorizontal(alignment_) | vertical);
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
    option.setAlignment(ScHorizontal(value));
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
