// Memory running out in the middle of what a user does with a report:
// preparing it, looking at it, printing, saving and opening it. Each action
// runs with one allocation refused, at points spread over all it makes, in
// a child process: the action ends with a box (or completes, its result
// whole), never with the end of the program, and the same action then
// succeeds.
#include <QApplication>
#include <QImage>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "AllocCounter.h"
#include "ConsoleUiServices.h"
#include "EngineTestUtil.h"
#include "FailingWrites.h"
#include "FakeSpooler.h"
#include "Guard.h"
#include "OrderLines.h"
#include "UiServices.h"
#include "rpPreview.h"
#include "rpPrinter.h"
#include "rpStartup.h"

namespace {

// Boxes go to standard error, counted.
gui::ConsoleUiServices* console = nullptr;

struct Action {
    const char* name;
    std::function<void()> run;
    // Empty when what the action made is whole.
    std::function<std::string()> check;
};

// What one run with a refused allocation came to, as the child tells it.
std::string failingRun(const Action& action, int64_t n)
{
    const failing_writes::Outcome outcome = failing_writes::InChild(
        [&] {
            std::string answer;
            const int before = console->count();
            FailAllocationAfter(n);
            const bool returned = gui::guarded(action.run);
            const bool refused = StopFailingAllocations();
            const int boxes = console->count() - before;
            const std::string wrong = returned && boxes == 0 ? action.check() : std::string();
            if (!refused) answer = "not reached";
            else if (!wrong.empty()) answer = "no box, but " + wrong;
            // The program goes on: the same action now succeeds.
            else if (!gui::guarded(action.run) || console->count() != before + boxes) answer = "the next try failed";
            else if (const std::string again = action.check(); !again.empty()) answer = "the next try: " + again;
            else answer = boxes > 0 ? "box" : "whole";
            throw Exception(answer);
        },
        [] {});
    if (outcome.signal != 0) return "ended by signal " + std::to_string(outcome.signal);
    return outcome.message.empty() ? "hung or ended" : outcome.message;
}

// Runs the action with a refused allocation at the first few and at points
// spread over the rest of the allocations one run makes.
void sweep(const Action& action, int points = 100)
{
    const uint64_t before = AllocationCount();
    action.run();
    const int64_t total = static_cast<int64_t>(AllocationCount() - before);
    ASSERT_EQ(action.check(), "") << action.name;
    ASSERT_GT(total, 0);
    // MEMORY_TESTS_AT=NAME:N refuses that allocation alone, in this process,
    // for a debugger to watch.
    if (const char* only = std::getenv("MEMORY_TESTS_AT")) {
        const std::string spec = only;
        if (spec.rfind(std::string(action.name) + ":", 0) != 0) return;
        FailAllocationAfter(std::stoll(spec.substr(spec.find(':') + 1)));
        gui::guarded(action.run);
        std::cerr << "refused: " << StopFailingAllocations() << ", then: " << action.check() << "\n";
        gui::guarded(action.run);
        std::cerr << "the next try: " << action.check() << "\n";
        return;
    }
    // MEMORY_TESTS_POINTS=N for a longer run.
    if (const char* more = std::getenv("MEMORY_TESTS_POINTS")) points = std::max(1, std::atoi(more));
    std::vector<int64_t> at;
    for (int64_t n = 0; n < 8 && n < total; ++n) at.push_back(n);
    for (int i = 1; i <= points; ++i) at.push_back(total * i / (points + 1));
    int boxes = 0;
    for (const int64_t n : at) {
        const std::string outcome = failingRun(action, n);
        if (outcome == "box") ++boxes;
        else if (outcome != "whole" && outcome != "not reached")
            ADD_FAILURE() << action.name << ", allocation " << n << " of " << total << " refused: " << outcome;
    }
    EXPECT_GT(boxes, 0) << action.name << ": no refused allocation was told";
}

class OutOfMemory : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        sheet = new engine_test::OrderSheet(12);
        TrpReport& report = *sheet->run.report;
        // As the program's preview prepares it: errors in a box.
        report.EngineOptions()->BackgroundMode = false;
        report.EngineOptions()->NewSilentMode = simMessageBoxes;
        report.PrintOptions()->ShowDialog = false;
        folder = std::filesystem::temp_directory_path() / ("memory_tests_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    static void TearDownTestSuite()
    {
        delete sheet;
        std::filesystem::remove_all(folder);
    }
    TrpReport& report() { return *sheet->run.report; }
    TrpPreviewPages& pages() { return sheet->run.pages(); }
    static std::string file(const char* name) { return (folder / name).string(); }

    static engine_test::OrderSheet* sheet;
    static std::filesystem::path folder;
};

engine_test::OrderSheet* OutOfMemory::sheet = nullptr;
std::filesystem::path OutOfMemory::folder;

std::string pageCountIs(TrpPreviewPages& pages, int count)
{
    return pages.GetCount() == count ? std::string() : std::to_string(pages.GetCount()) + " pages";
}

// A PDF file ends with its trailer: one cut short does not.
std::string wholePdf(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    if (bytes.rfind("%PDF", 0) != 0 || bytes.find("%%EOF", bytes.size() > 16 ? bytes.size() - 16 : 0) == std::string::npos)
        return "the PDF is not whole (" + std::to_string(bytes.size()) + " bytes)";
    return {};
}

}  // namespace

TEST_F(OutOfMemory, Preparing)
{
    ASSERT_TRUE(sheet->run.prepare());
    const int count = pages().GetCount();
    sweep({"preparing", [this] { report().PrepareReport(true); }, [this, count] { return pageCountIs(pages(), count); }});
}

TEST_F(OutOfMemory, PreviewingPrintingSavingAndOpening)
{
    ASSERT_TRUE(sheet->run.prepare());
    const int count = pages().GetCount();
    TrpPreview preview;
    preview.resize(900, 700);
    preview.PreviewPages = &pages();
    preview.Init();
    preview.show();
    QImage shot;
    sweep({"previewing",
           [&] {
               preview.InvalidateViews();
               shot = preview.Workspace->viewport()->grab().toImage();
           },
           [&] { return shot.isNull() ? std::string("no picture") : std::string(); }});

    const std::string pdf = file("order.pdf");
    report().PrintOptions()->OutputFile = pdf;
    sweep({"printing",
           [&] {
               std::filesystem::remove(pdf);
               report().PrintOptions()->OutputFile = pdf;
               if (!pages().Print()) throw Exception("not printed");
           },
           [&] { return wholePdf(pdf); }});

    const std::string rpp = file("order.rpp");
    sweep({"saving", [&] { pages().SaveToFile(rpp); },
           [&] {
               engine_test::Prepared other(engine_test::orderSheet());
               other.pages().LoadFromFile(rpp, true);
               return pageCountIs(other.pages(), count);
           }});
    sweep({"opening", [&] { pages().LoadFromFile(rpp, true); }, [&] { return pageCountIs(pages(), count); }});
}

// Qt is not written to survive an allocation of its own failing (a
// half-made window stays among the top-level ones, a half-made connection
// among an object's): the refusals are of allocations our code makes.
bool outsideQt(const void* caller)
{
    Dl_info info{};
    return !::dladdr(caller, &info) || !info.dli_fname || !std::strstr(info.dli_fname, "libQt6");
}

int main(int argc, char** argv)
{
    SetRefusableAllocations(outsideQt);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    gui::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    registerReportSystem();
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    gui::ConsoleUiServices boxes("memory_tests");
    gui::ScopedUi scope(boxes);
    console = &boxes;
    return RUN_ALL_TESTS();
}
