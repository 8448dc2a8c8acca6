#pragma once
// A report prepared by the engine against queries over an SQLite file,
// its datasets and queries held by one form as the program holds them.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Database.h"
#include "OrderLines.h"
#include "Query.h"
#include "SysUtils.h"
#include "rpDBSet.h"
#include "rpEngine.h"
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
