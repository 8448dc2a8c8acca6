// TEMPORARY: stands in for the platform's UI services seam until it lands;
// the report library calls only these two functions.
#include "rpUiServices.h"

#include <QDialog>
#include <QMessageBox>

#include "TEMP_ui_hook.h"

namespace {
TempUiHook* g_hook = nullptr;
}

void SetTempUiHook(TempUiHook* hook)
{
    g_hook = hook;
}

int rpMessageBox(const std::string& text, const std::string& caption, int flags)
{
    if (g_hook) return g_hook->messageBox(text, caption, flags);
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text));
    return box.exec() == QMessageBox::Ok ? rpIDOK : rpIDCANCEL;
}

int rpShowModal(QDialog& dialog)
{
    if (g_hook) return g_hook->showModal(dialog);
    return dialog.exec();
}
