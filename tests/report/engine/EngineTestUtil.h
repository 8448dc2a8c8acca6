#pragma once
// A report prepared by the engine against queries over an SQLite file,
// its datasets and queries held by one form as the program holds them.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

#include "Database.h"
#include "OrderLines.h"
#include "Query.h"
#include "SysUtils.h"
#include "rpDBSet.h"
#include "rpEngine.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"

namespace engine_test {

inline std::string testData(const std::string& name)
{
    return std::string(REPORT_TEST_DATA) + "/" + name;
}

inline std::string orderSheet()
{
    return std::string(REPORT_SOURCE_ROOT) + "/resources/reports/order_sheet.xml";
}

using Datasets = std::vector<std::pair<std::string, std::string>>;

struct Prepared {
    std::unique_ptr<db::Database> database;
    std::vector<std::unique_ptr<db::Query>> queries;
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TrpReport* report = nullptr;
    bool prepared = false;

    // Loads the report (errors stay in its list) with the datasets over
    // the file; nothing is prepared yet.
    Prepared(const std::string& reportFile, const std::string& dbPath = {}, const Datasets& datasets = {})
    {
        form->SetName("fmain");
        if (!dbPath.empty()) database = std::make_unique<db::Database>(dbPath, db::Database::OpenMode::ReadOnly);
        for (const auto& [name, sql] : datasets) {
            queries.push_back(std::make_unique<db::Query>(*database, "Query" + std::to_string(queries.size() + 1)));
            queries.back()->setSql(sql);
            auto* ds = new TrpDBDataset(form.get());
            ds->SetName(name);
            ds->SetDataSet(queries.back().get());
        }
        report = new TrpReport(form.get());
        report->SetName("rpReport1");
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        EXPECT_TRUE(report->LoadFromFile(reportFile)) << reportFile;
        // The datasets are the report's own, as a report file lists them.
        for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* ds = dynamic_cast<TrpDBDataset*>(form->Components(i));
            if (ds && !report->DataSets()->FindByDataSet(ds)) report->DataSets()->Add()->SetDataSet(ds);
        }
    }
    ~Prepared() { form.reset(); }

    bool prepare()
    {
        prepared = report->PrepareReport(true);
        return prepared;
    }
    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }
    int pageCount() { return pages().GetCount(); }
    std::string dump() { return DumpPreparedPages(pages()); }
    std::string errors() { return report->Errors.Text(); }
};

// An SQLite file made from the engine cases' tables (cases/cases.sql).
struct CasesDatabase {
    std::string path;
    CasesDatabase()
    {
        static int serial = 0;
        path = (std::filesystem::temp_directory_path() /
                ("engine_cases_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".db"))
                   .string();
        std::filesystem::remove(path);
        db::Database db(path, db::Database::OpenMode::ReadWriteCreate);
        db.executeScript(order_lines::readText(testData("engine/cases/cases.sql")));
    }
    ~CasesDatabase() { std::filesystem::remove(path); }
    CasesDatabase(const CasesDatabase&) = delete;
    CasesDatabase& operator=(const CasesDatabase&) = delete;
};

// The order sheet for the order of `lines` lines.
struct OrderSheet {
    order_lines::OrderFile file;
    Prepared run;
    explicit OrderSheet(int lines, bool longNames = false)
        : file(testData("fixtures/orders.sql"), lines, longNames),
          run(orderSheet(), file.path,
              {{"rpDBDataset1", order_lines::masterSql()}, {"rpDBDataset2", order_lines::detailSql()}})
    {
    }
};

// The lines of a dump that start with `prefix` (after the indent).
inline std::vector<std::string> dumpLines(const std::string& dump, const std::string& prefix)
{
    std::vector<std::string> out;
    size_t from = 0;
    while (from < dump.size()) {
        size_t end = dump.find('\n', from);
        if (end == std::string::npos) end = dump.size();
        std::string line = dump.substr(from, end - from);
        const size_t text = line.find_first_not_of(' ');
        if (text != std::string::npos && line.compare(text, prefix.size(), prefix) == 0) out.push_back(line.substr(text));
        from = end + 1;
    }
    return out;
}

}  // namespace engine_test

namespace engine_test {

// A report built in code: one page of 100 × 100 mm without margins
// (377.953 units high), prepared in background mode without boxes.
struct Sheet {
    std::unique_ptr<CasesDatabase> cases;
    std::unique_ptr<db::Database> database;
    std::vector<std::unique_ptr<db::Query>> queries;
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TrpReport* report = nullptr;
    TrpReportPage* page = nullptr;

    Sheet()
    {
        form->SetName("fmain");
        report = new TrpReport(form.get());
        report->SetName("rpReport1");
        auto* data = new TrpDataPage(report);
        data->SetName("Data");
        page = new TrpReportPage(report);
        page->SetName("Page1");
        page->SetPaperWidth(100);
        page->SetPaperHeight(100);
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
    }
    ~Sheet() { form.reset(); }

    template <class B>
    B* band(const std::string& name, Extended top, Extended height, int rowCount = 0)
    {
        auto* b = new B(page);
        b->SetName(name);
        b->SetBounds(0, top, 377, height);
        if constexpr (std::is_base_of_v<TrpDataBand, B>) {
            if (rowCount > 0) b->SetRowCount(rowCount);
        }
        return b;
    }
    TrpMemoView* memo(TrpComponent* parent, const std::string& name, Extended left, Extended top, Extended width,
                      Extended height, const std::u16string& text)
    {
        auto* m = new TrpMemoView(parent);
        m->SetName(name);
        m->SetBounds(left, top, width, height);
        m->SetText(text);
        return m;
    }
    // A dataset of the report over a query of the cases' tables.
    TrpDBDataset* dataset(const std::string& name, const std::string& sql)
    {
        if (!database) {
            cases = std::make_unique<CasesDatabase>();
            database = std::make_unique<db::Database>(cases->path, db::Database::OpenMode::ReadOnly);
        }
        queries.push_back(std::make_unique<db::Query>(*database, "Query" + std::to_string(queries.size() + 1)));
        queries.back()->setSql(sql);
        auto* ds = new TrpDBDataset(form.get());
        ds->SetName(name);
        ds->SetDataSet(queries.back().get());
        report->DataSets()->Add()->SetDataSet(ds);
        return ds;
    }
    bool prepare() { return report->PrepareReport(true); }
    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }
    std::string dump() { return DumpPreparedPages(pages()); }
};

}  // namespace engine_test
