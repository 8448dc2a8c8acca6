#pragma once
// The report library's message boxes and modal dialogs, with the platform's
// flag values, on the program's UI services (platform/gui), so that tests
// and the scripted shell mode never block on a window.

#include <string>
#include <string_view>

#include <QString>

class QDialog;

// Message box flags and answers, with the platform's values.
enum : int {
    rpMB_OK = 0,
    rpMB_OKCANCEL = 1,
    rpMB_YESNOCANCEL = 3,
    rpMB_YESNO = 4,
    rpMB_ICONERROR = 16,
    rpMB_ICONQUESTION = 32,
    rpMB_ICONWARNING = 48,
    rpMB_ICONINFORMATION = 64,
};
enum : int { rpIDOK = 1, rpIDCANCEL = 2, rpIDYES = 6, rpIDNO = 7 };

int rpMessageBox(const std::string& text, const std::string& caption, int flags);
// Shows the dialog modally; returns its result code (QDialog::Accepted ...).
int rpShowModal(QDialog& dialog);

// A file filter of the library's texts ("Reports (*.rpp)|*.rpp|...") in
// Qt's form ("Reports (*.rpp);;...").
QString rpFileFilter(std::string_view filter);
