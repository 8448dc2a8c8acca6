#pragma once
// The small borderless window the report shows while it prepares, prints
// or exports without a preview: one line of text, an optional bar and a
// cancel button. The window that was active when it was made stays disabled
// while it lives; callers poll Terminated() after each update, since the
// cancel click is handled inside SetPosition and Execute.
//
// Hold it in a scope (a std::unique_ptr or on the stack): its destructor
// gives the form back its enabled state also when the work throws.

#include <QDialog>
#include <QPointer>

#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

class TrpProgress : public QDialog {
public:
    explicit TrpProgress(QWidget* parent = nullptr);
    ~TrpProgress() override;

    void Execute(int MaxValue, const std::string& Msg, bool ShowProgress, bool ShowCancel);
    bool Terminated() const { return FTerminated; }
    // true closes the window.
    void SetTerminated(bool Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    void Reset() { SetPosition(0); }
    const std::string& Message() const { return FMessage; }
    void SetMessage(const std::string& Value);
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value);
    // The form disabled at creation; nullptr when there was none or it is gone.
    QWidget* DisabledForm() const { return FDisabledForm; }

    QLabel* LMessage;
    QProgressBar* Bar;
    QPushButton* CancelB;

protected:
    void reject() override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void CancelBClick() { SetTerminated(true); }
    void RestoreForm();
    void PlaceOnFormScreen();

    QPointer<QWidget> FDisabledForm;
    bool FTerminated = false;
    int FPosition = 0;
    std::string FMessage;
    bool FShowProgress = false;
    QPoint FDragOffset;
};
