#pragma once
// A form whose work is not built yet. It exists from start-up on, as every
// form does, carries its caption and name, and says plainly that it does
// nothing yet: no field or button here pretends to save anything.

#include <QDialog>

class TPendingForm : public QDialog {
public:
    TPendingForm(const char* objectName, const char* caption, QWidget* parent);
};
