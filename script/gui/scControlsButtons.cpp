// The buttons: push button, check box and radio button.
#include "scControls.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "scBridge.h"
#include "scForms.h"
#include "scControlsKit.h"

using sc_gui::qs;
using sc_gui::ss;

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
