// The band engine: the input is a report file. It is prepared in the
// background, script and all, over a fixture database (the engine cases'
// tables and the program's orders, as the datasets the cases and the two
// templates read), its pages dumped and drawn, saved as a prepared-report
// file that must read back to the same dump. A preparation is stopped once
// it has had a second of CPU time: the report's Terminated at once, the
// script at its next statement, and a script loop that runs no statement
// by the same flags set from the timer a little later.
#include <QImage>

#include <signal.h>
#include <sys/time.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Database.h"
#include "Exceptions.h"
#include "FuzzReport.h"
#include "Query.h"
#include "QtCanvas.h"
#include "Streams.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpEngine.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpStartup.h"
#include "sc_interpreter.h"

namespace {

// What the engine cases read (cases/*.data) and what the templates read.
const std::pair<const char*, const char*> kDatasets[] = {
    {"shop", "select * from shop order by region, city, name"},
    {"item", "select * from item order by id"},
    {"item2", "select * from item order by id"},
    {"r", "select id, name from item where id <= 3 order by id"},
    {"c", "select id as col, id, name, kind from item order by id"},
    {"note", "select * from note order by id"},
    {"val", "select * from val order by id"},
    {"rpDBDataset1", "select * from zq_dd order by id"},
    {"rpDBDataset2", "select * from zq_ddmx order by id"},
    {"rpDBDataset3", "select * from zq_dd order by id"},
    {"rpDBDataset4", "select * from config"},
};

std::string readText(const char* file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TrpReport* volatile g_report = nullptr;
volatile sig_atomic_t g_expired = 0;

struct Fixture {
    db::Database database{":memory:", db::Database::OpenMode::ReadWriteCreate};
    std::vector<std::unique_ptr<db::Query>> queries;
    // Owns the datasets and the report. The report and the one the file is
    // read back into serve every input, emptied as new ones are: making a
    // report adds every script module to its script, the bulk of an
    // input's time otherwise.
    TComponent form;
    TrpReport* report = nullptr;
    TrpReport reread;

    Fixture()
    {
        database.executeScript(readText(FUZZ_CASES_SQL));
        database.executeScript(readText(FUZZ_ORDERS_SQL));
        form.SetName("fmain");
        for (const auto& [name, sql] : kDatasets) {
            queries.push_back(std::make_unique<db::Query>(database, std::string("Query") + name));
            queries.back()->setSql(sql);
            auto* ds = new TrpDBDataset(&form);
            ds->SetName(name);
            ds->SetDataSet(queries.back().get());
        }
        report = new TrpReport(&form);
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        // Statements look at the time limit. A report expression runs with
        // no main scope above it.
        report->Script()->OnRunLine = [](TscScript* sender, const std::string&, const std::string&) {
            if (!g_expired) return;
            TscScript* main = sender->MainProg();
            (main ? main : sender)->Terminate();
        };
    }
};

Fixture* g_fixture = nullptr;

// SIGVTALRM: the first stops the engine (its Terminated is looked at every
// row and band) and asks the script to stop at its next statement; later
// ones also set the script's own flags, for a loop that runs no statement.
void expire(int)
{
    TrpReport* report = g_report;
    if (!report) return;
    report->Terminated = true;
    g_expired = g_expired + 1;
    if (g_expired > 1) report->Script()->Terminate();
}

void armTimer(bool on)
{
    itimerval timer{};
    if (on) {
        timer.it_value.tv_sec = 1;
        timer.it_interval.tv_usec = 100000;
    }
    setitimer(ITIMER_VIRTUAL, &timer, nullptr);
}

void draw(TrpPreviewPages& pages)
{
    QImage image(64, 64, QImage::Format_RGB32);
    for (int i = 0; i < pages.GetCount() && i < 50; ++i) {
        TQtCanvas canvas(image);
        pages.DrawPage(i, canvas, 0.1L, 0.1L, 0, 0);
    }
}

void start()
{
    fuzz_support::ensureGuiApplication<QApplication>();
    fuzz_support::installSilentUi();
    registerReportSystem();
    static Fixture fixture;
    g_fixture = &fixture;
    struct sigaction action {};
    action.sa_handler = expire;
    sigaction(SIGVTALRM, &action, nullptr);
}

}  // namespace

FUZZ_START(start())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 262144) return 0;
    TrpReport* report = g_fixture->report;
    report->Clear();
    {
        TStringStream in{std::string(fuzz_support::bytes(data, size))};
        report->LoadFromStream(in);
    }
    report->EngineOptions()->BackgroundMode = true;
    report->EngineOptions()->NewSilentMode = simSilent;
    for (int i = 0; i < g_fixture->form.ComponentCount(); ++i) {
        auto* ds = dynamic_cast<TrpDBDataset*>(g_fixture->form.Components(i));
        if (ds && !report->DataSets()->FindByDataSet(ds)) report->DataSets()->Add()->SetDataSet(ds);
    }
    g_expired = 0;
    g_report = report;
    armTimer(true);
    report->PrepareReport(true);
    armTimer(false);
    g_report = nullptr;
    if (g_expired) return 0;  // stopped half way: nothing to compare

    auto& pages = *static_cast<TrpPreviewPages*>(report->PreviewPages());
    const std::string dump = DumpPreparedPages(pages);
    draw(pages);
    TStringStream file;
    pages.SaveToStream(file);
    auto& again = *static_cast<TrpPreviewPages*>(g_fixture->reread.PreviewPages());
    try {
        TStringStream in(file.DataString());
        again.LoadFromStream(in);
    } catch (const Exception& e) {
        FUZZ_CHECK(false, std::string("a prepared report does not read back: ") + e.what());
    }
    const std::string reread = DumpPreparedPages(again);
    FUZZ_CHECK(reread == dump, "read back, the prepared report dumps differently:\n" + dump + "\nread back:\n" + reread);
    draw(again);
    return 0;
}
