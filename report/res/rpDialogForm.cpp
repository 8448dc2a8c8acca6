#include "rpDialogForm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

#include "Classes.h"

namespace {
constexpr int32_t kThreadSafeTag = 318;
}

TrpDialogForm::TrpDialogForm(const TComponent* owner) : QDialog(nullptr)
{
    if (owner) ThreadSafe = owner->Tag() == kThreadSafeTag;
    setObjectName("TrpDialogForm");
    setWindowTitle(" ");
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    resize(115, 59);
}

void TrpDialogForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void TrpDialogForm::reject()
{
    // Esc and the close box do not end the form; only its modal result does.
}

void TrpDialogForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (event->spontaneous()) scheduleModify();
}

void TrpDialogForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (event->spontaneous()) scheduleModify();
}

bool TrpDialogForm::event(QEvent* event)
{
    // The page sees Tab and the arrow keys itself, before focus moves.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: keyPressEvent(key); return true;
        default: break;
        }
    }
    return QDialog::event(event);
}

void TrpDialogForm::scheduleModify()
{
    // One notification per burst of move and resize events, after it ends.
    if (modifyPending_) return;
    modifyPending_ = true;
    QTimer::singleShot(0, this, [this] {
        modifyPending_ = false;
        if (OnModify) OnModify(this);
    });
}
