#include "rpDialogForm.h"

#include <QDialog>
#include <QEvent>
#include <QTimer>

#include "Guard.h"

namespace {
constexpr int32_t kThreadSafeTag = 318;
}

// Sees the user's moves and resizes of the window (not the program's).
class TrpDialogForm::ModifyWatch : public QObject {
public:
    ModifyWatch(TrpDialogForm* form, QObject* window) : QObject(window), form_(form) {}
    void Forget() { form_ = nullptr; }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (form_ && event->spontaneous() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
            form_->scheduleModify();
        return false;
    }

private:
    TrpDialogForm* form_;
};

TrpDialogForm::TrpDialogForm(const TComponent* owner) : TForm(nullptr)
{
    if (owner) ThreadSafe = owner->Tag() == kThreadSafeTag;
    if (QDialog* window = Window()) {
        window->setObjectName("TrpDialogForm");
        watch_ = new ModifyWatch(this, window);
        window->installEventFilter(watch_);
    }
    if (ThreadSafe) return;
    SetText(" ");
    SetClientWidth(115);
    SetClientHeight(59);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetKeyPreview(true);
    OnCloseQuery = TCloseQueryEvent([this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); }, this);
}

TrpDialogForm::~TrpDialogForm()
{
    // The watch goes with the window, which may outlive the form a moment.
    if (watch_) watch_->Forget();
}

void TrpDialogForm::FormCloseQuery(TObject*, bool& canClose)
{
    canClose = false;
}

void TrpDialogForm::scheduleModify()
{
    // One notification per burst of move and resize events, after it ends.
    if (modifyPending_ || !Window()) return;
    modifyPending_ = true;
    QTimer::singleShot(0, Window(), [ref = Ref<TControl>(this)] {
        auto* form = static_cast<TrpDialogForm*>(ref.get());
        if (!form) return;
        form->modifyPending_ = false;
        gui::guarded([form] { RaiseEvent(form->OnModify, form); });
    });
}
