#pragma once
// TEMPORARY: lets tests answer boxes until the platform's UI services land.
#include <string>
class QDialog;
struct TempUiHook {
    virtual ~TempUiHook() = default;
    virtual int messageBox(const std::string& text, const std::string& caption, int flags) = 0;
    virtual int showModal(QDialog& dialog) = 0;
};
void SetTempUiHook(TempUiHook* hook);
