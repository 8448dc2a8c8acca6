#pragma once
// The window that hosts a report's dialog page while it runs. It cannot be
// closed by the user (close box or Esc): the page ends it through its modal
// result. A move or resize by the user raises OnModify.

#include <QDialog>

#include <functional>

class TComponent;

class TrpDialogForm : public QDialog {
public:
    // ThreadSafe is set when the owner's Tag is 318 (the page's mark for a
    // report running in the background).
    explicit TrpDialogForm(const TComponent* owner = nullptr);

    bool ThreadSafe = false;
    std::function<void(TrpDialogForm* sender)> OnModify;

    // Ends the modal run with a result, as the page does.
    void SetModalResult(int result) { done(result); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void scheduleModify();
    bool modifyPending_ = false;
};
