#pragma once
// TEMPORARY hooks for tests until the UI services seam lands.
#include <functional>
#include <string>
class QDialog;
void SetPrinterErrorHookTemp(std::function<void(const std::string&)> Hook);
void SetPrinterModalHookTemp(std::function<int(QDialog&)> Hook);
