#pragma once
// Helpers of the printer tests: a fake queue, scripted UI services, PDF
// inspection with poppler-utils.

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "FakeSpooler.h"
#include "ScriptedUiServices.h"
#include "rpPrinter.h"

// One standard default queue on a fake spooler. The printer list is made on
// first use, so a test may change the queue before.
struct FakeQueue {
    FakeQueue() { spooler.queueList.push_back(FakeSpooler::StandardQueue("Q", true)); }
    FakeSpooler::Queue& queue() { return spooler.queueList[0]; }
    TrpPrinter& printer()
    {
        if (!list) list = std::make_unique<TrpPrinters>(spooler);
        return dynamic_cast<TrpPrinter&>(*list->GetCurrentPrinter());
    }
    FakeSpooler spooler;
    std::unique_ptr<TrpPrinters> list;
};

// Scripted UI services for one test: expects `errorBoxes` message boxes (any
// text), fails the test on any other interaction.
class ScriptedUi {
public:
    explicit ScriptedUi(int errorBoxes = 0);
    ~ScriptedUi();
    gui::ScriptedUiServices& services() { return ui_; }
    // Texts of the boxes shown so far.
    std::vector<std::string> messages() const;

private:
    gui::ScriptedUiServices ui_;
    gui::UiServices* previous_;
};

// What a shell command writes to standard output.
std::string CommandOutput(const std::string& command);
// "595.276 x 841.89 pts (A4)" per page, from pdfinfo.
std::vector<std::string> PdfPageSizes(const std::string& file);
// Page size in whole millimetres, "210x297".
std::vector<std::string> PdfPageSizesMm(const std::string& file);
int PdfPageCount(const std::string& file);
std::string PdfText(const std::string& file, int page = 0);
// The box of a word on the first page it appears on, from pdftotext -bbox:
// the text from its xMin value on (points), empty when absent.
std::string PdfWordBox(const std::string& file, const std::string& word);
