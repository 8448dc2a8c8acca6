#pragma once
// Where the printer layer meets the user: its error box, its modal dialog
// and the library texts it uses.

#include <string>
#include <string_view>

class QDialog;

// The "mbError" box with the message.
void PrinterErrorBox(const std::string& Message);
// Runs a dialog modally; returns its result (QDialog::Accepted ...).
int PrinterShowModal(QDialog& Dialog);
// A text of the report library's string table.
std::string PrinterText(std::string_view Key);

// The string table lives in the report library above this one, which
// installs its lookup at start-up (registerReportResources), before the
// first printer is made. Until then a key comes back as it is.
using TrpPrinterTextProvider = std::string (*)(std::string_view Key);
void SetPrinterTextProvider(TrpPrinterTextProvider Provider);
