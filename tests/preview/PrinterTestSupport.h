#pragma once
// Helpers of the printer tests: captured error boxes, PDF inspection with
// poppler-utils, a scratch folder.

#include <QTemporaryDir>

#include <string>
#include <vector>

#include "rpPrinterUiTemp.h"

// Collects the printer layer's error boxes for the life of the object.
class CapturedBoxes {
public:
    CapturedBoxes()
    {
        SetPrinterErrorHookTemp([this](const std::string& m) { messages.push_back(m); });
    }
    ~CapturedBoxes() { SetPrinterErrorHookTemp({}); }
    std::vector<std::string> messages;
};

// "595.276 x 841.89 pts (A4)" per page, from pdfinfo.
std::vector<std::string> PdfPageSizes(const std::string& file);
// Page size in whole millimetres, "210x297".
std::vector<std::string> PdfPageSizesMm(const std::string& file);
int PdfPageCount(const std::string& file);
std::string PdfText(const std::string& file, int page = 0);
