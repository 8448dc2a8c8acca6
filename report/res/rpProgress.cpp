#include "rpProgress.h"

#include <QApplication>
#include <QFrame>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "Guard.h"
#include "rpFormKit.h"

TrpProgress::TrpProgress(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    rpInitForm(*this, "TrpProgress", 271, 101);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(0, 0, 271, 101);

    LMessage = rpMake<QLabel>(this, "LMessage", QRect(16, 11, 237, 20));
    LMessage->setAlignment(Qt::AlignCenter);

    Bar = rpMake<QProgressBar>(this, "Bar", QRect(16, 37, 237, 17));
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);

    CancelB = rpMake<QPushButton>(this, "CancelB", QRect(100, 64, 75, 25));
    CancelB->setText(QString::fromStdString(GetResString(2)));
    connect(CancelB, &QPushButton::clicked, this, gui::Slot([this] { CancelBClick(); }));

    // Only a form that was enabled is disabled, and only that one is enabled
    // again: one behind another modal window stays as it was.
    QWidget* active = QApplication::activeWindow();
    if (active && active != this && active->isEnabled()) {
        FDisabledForm = active;
        active->setEnabled(false);
    }
    Reset();
}

TrpProgress::~TrpProgress() { RestoreForm(); }

void TrpProgress::RestoreForm()
{
    if (FDisabledForm) FDisabledForm->setEnabled(true);
    FDisabledForm = nullptr;
}

void TrpProgress::Execute(int MaxValue, const std::string& Msg, bool ShowProgress, bool ShowCancel)
{
    FTerminated = false;
    CancelB->setVisible(ShowCancel);
    SetShowProgress(ShowProgress);
    Bar->setMinimum(0);
    SetPosition(0);
    Bar->setMaximum(MaxValue);
    SetMessage(Msg);
    show();
    PlaceOnFormScreen();
    QCoreApplication::processEvents();
}

void TrpProgress::PlaceOnFormScreen()
{
    QScreen* screen = FDisabledForm ? FDisabledForm->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect r = frameGeometry();
    r.moveCenter(area.center());
    if (r.right() > area.right()) r.moveRight(area.right());
    if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    move(r.topLeft());
}

void TrpProgress::SetTerminated(bool Value)
{
    FTerminated = Value;
    if (Value) hide();
}

void TrpProgress::SetPosition(int Value)
{
    FPosition = Value;
    Bar->setValue(Value);
    // The offscreen platform (tests) has no stacking order.
    if (isVisible() && QGuiApplication::platformName() != QLatin1String("offscreen")) raise();
    QCoreApplication::processEvents();
}

void TrpProgress::SetMessage(const std::string& Value)
{
    FMessage = Value;
    LMessage->setText(QString::fromStdString(Value));
    LMessage->repaint();
}

void TrpProgress::SetShowProgress(bool Value)
{
    FShowProgress = Value;
    Bar->setVisible(Value);
    LMessage->move(LMessage->x(), Value ? 15 : 35);
}

// Esc acts as the cancel button, when there is one.
void TrpProgress::reject()
{
    if (!CancelB->isHidden()) CancelBClick();
}

void TrpProgress::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) RestoreForm();
}

// The window has no title bar: it is dragged by any point.
void TrpProgress::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) FDragOffset = event->globalPosition().toPoint() - pos();
    QDialog::mousePressEvent(event);
}

void TrpProgress::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - FDragOffset);
    QDialog::mouseMoveEvent(event);
}
