#pragma once
// The window that hosts a report's dialog page while it runs: a form of
// the script controls, so that dialog controls sit on it as on any form and
// its events, key preview and modal run are the forms'. Its own definition
// refuses every close request (close box, Esc): the page ends it through
// its modal result, or replaces that handler. A move or resize by the user
// raises OnModify.

#include <QObject>
#include <QPointer>

#include "scForms.h"

class TrpDialogForm : public TForm {
public:
    // ThreadSafe is set when the owner's Tag is 318 (the page's mark for a
    // report running in the background); such a form skips its definition.
    explicit TrpDialogForm(const TComponent* owner = nullptr);
    ~TrpDialogForm() override;

    bool ThreadSafe = false;
    TNotifyEvent OnModify;

    // The definition's close-query handler.
    void FormCloseQuery(TObject* sender, bool& canClose);

private:
    class ModifyWatch;
    void scheduleModify();
    QPointer<ModifyWatch> watch_;
    bool modifyPending_ = false;
};
