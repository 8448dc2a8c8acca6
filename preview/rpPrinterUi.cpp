// TEMPORARY: stands in for the UI services seam and the string table until
// they land; both functions then forward to them.
#include "rpPrinterUi.h"

#include <QDialog>
#include <functional>

#include "rpPrinterUiTemp.h"

static std::function<void(const std::string&)>& ErrorHook()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}
static std::function<int(QDialog&)>& ModalHook()
{
    static std::function<int(QDialog&)> hook;
    return hook;
}

void SetPrinterErrorHookTemp(std::function<void(const std::string&)> Hook) { ErrorHook() = std::move(Hook); }
void SetPrinterModalHookTemp(std::function<int(QDialog&)> Hook) { ModalHook() = std::move(Hook); }

void PrinterErrorBox(const std::string& Message)
{
    if (ErrorHook()) ErrorHook()(Message);
}

int PrinterShowModal(QDialog& Dialog)
{
    if (ModalHook()) return ModalHook()(Dialog);
    return Dialog.exec();
}

std::string PrinterText(std::string_view Key)
{
    if (Key == "prDefault") return "预设";
    if (Key == "prCustom") return "自定";
    if (Key == "prVirtual") return "虚拟";
    if (Key == "mbError") return "错误";
    return std::string(Key);
}
