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
