#include "rpPrinterUi.h"

#include <QDialog>
#include <QString>

#include "UiServices.h"

void PrinterErrorBox(const std::string& Message)
{
    gui::ui().messageBox(QString::fromStdString(Message), QString::fromStdString(PrinterText("mbError")),
                         gui::MsgButtons::Ok, gui::MsgIcon::Error);
}

int PrinterShowModal(QDialog& Dialog) { return gui::ui().showModal(Dialog); }

// TEMPORARY: the report library's string table has not landed; these are
// its texts for the keys the printer layer uses.
std::string PrinterText(std::string_view Key)
{
    if (Key == "prDefault") return "预设";
    if (Key == "prCustom") return "自定";
    if (Key == "prVirtual") return "虚拟";
    if (Key == "mbError") return "错误";
    return std::string(Key);
}
