#pragma once
// The datasets of a developer tool's "--db FILE --dataset NAME=SQL" options:
// one query per dataset over the SQLite file or the PostgreSQL server (a
// connection text), opened for reading only. Each query stands behind a
// report dataset of that name on a form called "fmain", as the program's
// are, so that a report made with the form as its owner finds them by name.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Classes.h"
#include "Database.h"
#include "Query.h"
#include "SysUtils.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpReport.h"

using ToolDatasetList = std::vector<std::pair<std::string, std::string>>;

// Reads one of the options "--db FILE" and "--dataset NAME=SQL" with its
// value; false for an empty file name or a dataset without a name before "=".
inline bool takeDatasetOption(const std::string& option, const std::string& value, std::string& database,
                              ToolDatasetList& datasets)
{
    if (option == "--db") {
        database = value;
        return !value.empty();
    }
    const size_t eq = value.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    datasets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    return true;
}
inline bool isDatasetOption(const std::string& option) { return option == "--db" || option == "--dataset"; }

class ToolDatasets {
public:
    // No database: no datasets.
    ToolDatasets(const std::string& database, const ToolDatasetList& datasets)
    {
        form.SetName("fmain");
        if (database.empty()) return;
        database_ = std::make_unique<db::Database>(database, db::Database::OpenMode::ReadOnly);
        for (const auto& [name, sql] : datasets) {
            queries_.push_back(
                std::make_unique<db::Query>(*database_, "Query" + IntToStr(static_cast<int64_t>(queries_.size()) + 1)));
            queries_.back()->setSql(sql);
            auto* ds = new TrpDBDataset(&form);
            ds->SetName(name);
            ds->SetDataSet(queries_.back().get());
        }
    }

    // A dataset the report's file does not list is the report's all the same.
    void AddTo(TrpReport& report)
    {
        for (int i = 0; i < form.ComponentCount(); ++i) {
            auto* ds = dynamic_cast<TrpDBDataset*>(form.Components(i));
            if (ds && !report.DataSets()->FindByDataSet(ds)) report.DataSets()->Add()->SetDataSet(ds);
        }
    }

private:
    // Declared first: it goes last.
    std::unique_ptr<db::Database> database_;
    std::vector<std::unique_ptr<db::Query>> queries_;

public:
    // Owns the datasets, and the report a tool makes on it.
    TComponent form;
};
