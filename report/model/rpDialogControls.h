#pragma once
// What dialog pages hold besides the bases in rpClass.h: the hidden form
// for controls on no dialog page, and the two controls a report can place
// on a dialog page, an edit box and a push button.

#include "rpClass.h"

class TWinControl;

// A report value as whole pixels of a control: rounded, and within what a
// window can be (a report file may hold anything).
int32_t rpControlPixels(Extended value);

// The hidden form that holds the controls of dialog controls on no dialog
// page; made on first use, freed when its last control leaves.
TWinControl* GetParentForm();

// An edit box; its Text is what the user typed.
class TrpEditControl : public TrpDialogControl {
    DORVAK_CLASS(TrpEditControl, TrpDialogControl)
public:
    explicit TrpEditControl(TComponent* owner = nullptr);
    static void Publish(TClassBuilder<TrpEditControl>& b);
};

// A push button. A ModalResult other than 0 ends the dialog with it.
class TrpButtonControl : public TrpDialogControl {
    DORVAK_CLASS(TrpButtonControl, TrpDialogControl)
public:
    explicit TrpButtonControl(TComponent* owner = nullptr);
    int32_t ModalResult() const;
    void SetModalResult(int32_t value);
    static void Publish(TClassBuilder<TrpButtonControl>& b);
};

// The dialog bases after the report component class; the controls after
// the report class.
void registerDialogBaseClasses();
void registerDialogControlClasses();
