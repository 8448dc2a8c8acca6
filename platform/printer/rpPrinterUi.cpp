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

std::string BuiltInText(std::string_view Key)
{
    static const struct {
        const char* Key;
        const char* Text;
    } texts[] = {{"prDefault", "预设"}, {"prCustom", "自定"}, {"prVirtual", "虚拟"},
                 {"mbError", "错误"},   {"1", "确定"},        {"2", "取消"}};
    for (const auto& t : texts)
        if (Key == t.Key) return t.Text;
    return std::string(Key);
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
    return BuiltInText(Key);
}

void SetPrinterTextProvider(TrpPrinterTextProvider Lookup) { Provider() = Lookup; }
