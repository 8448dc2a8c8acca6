#pragma once
// The start-up sequence: the data module, then every form once, in a fixed
// order, each creation guarded so that an error is shown and start-up goes
// on; the login form last, which shows itself.

class QTranslator;

namespace app {

// The report system once per process, after the application object and
// before any form: the printers, made on first use, take their texts from
// its string table. Scripts' ShowMessage becomes an information box.
void StartReportSystem();
// Qt's own texts (the file dialog, an edit's context menu) in Chinese,
// whatever the machine's locale; null when the machine has no Qt
// translations (package qt6-translations-l10n).
QTranslator* InstallQtTranslations();
void CreateForms();
// Frees what CreateForms made, the login form first (tests, program end).
void DestroyForms();
// The whole program: start-up, event loop, clean-up; returns the exit code.
int RunProgram(int argc, char** argv);

}  // namespace app
