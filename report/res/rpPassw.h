#pragma once
// The report-file password form: shown modally (through the UI services)
// when a loaded report carries a password; the report compares PasswordE's
// text on OK.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TrpPasswordForm : public QDialog {
public:
    explicit TrpPasswordForm(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* PasswordL;
    QLineEdit* PasswordE;
    QPushButton* OkB;
    QPushButton* CancelB;

private:
    void FormCreate();
};

// The key picture of the form, drawn by us.
QImage PasswordKeyImage();
