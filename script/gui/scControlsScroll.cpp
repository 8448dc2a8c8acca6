// Scroll bars of a control, the scrolling window control and the scroll box.
#include "scControls.h"

#include <QAbstractScrollArea>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "scBridge.h"
#include "scControlsKit.h"

using sc_gui::qs;
using sc_gui::ss;

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
