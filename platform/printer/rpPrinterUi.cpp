#include "rpPrinterUi.h"

#include <QDialog>
#include <QString>

#include "UiServices.h"

namespace {

TrpPrinterTextProvider& Provider()
{
    static TrpPrinterTextProvider provider = nullptr;
    return provider;
}

}  // namespace

void PrinterErrorBox(const std::string& Message)
{
    gui::ui().messageBox(QString::fromStdString(Message), QString::fromStdString(PrinterText("mbError")),
                         gui::MsgButtons::Ok, gui::MsgIcon::Error);
}

int PrinterShowModal(QDialog& Dialog) { return gui::ui().showModal(Dialog); }

std::string PrinterText(std::string_view Key)
{
    if (TrpPrinterTextProvider p = Provider()) return p(Key);
    return std::string(Key);
}

void SetPrinterTextProvider(TrpPrinterTextProvider Lookup) { Provider() = Lookup; }
