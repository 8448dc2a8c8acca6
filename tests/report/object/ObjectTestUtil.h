#pragma once
// The main window's part in printing, as the report tests need it: an
// SQLite file with two orders and the company row, the window's three
// queries and its four report datasets (named as the templates name them),
// and its two reports, all owned by one form.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Database.h"
#include "Query.h"
#include "SysUtils.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpReport.h"
#include "rpVariables.h"

namespace object_test {

inline std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string testData(const std::string& name)
{
    return std::string(REPORT_TEST_DATA) + "/" + name;
}

// A fresh copy of the order fixture; removed with the object.
struct OrderFile {
    std::string path;
    OrderFile()
    {
        static int serial = 0;
        path = (std::filesystem::temp_directory_path() /
                ("report_object_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".db"))
                   .string();
        db::Database db(path, db::Database::OpenMode::ReadWriteCreate);
        db.execute("PRAGMA synchronous = OFF");
        db.executeScript(readFile(testData("fixtures/orders.sql")));
    }
    ~OrderFile() { std::filesystem::remove(path); }
};

constexpr const char* kFirstOrder = "ZEZO-2026-12-06-093000";
constexpr const char* kEmptyOrder = "ZEZO-2026-12-07-101500";

struct Window {
    OrderFile file;
    db::Database db{file.path, db::Database::OpenMode::ReadWrite};
    db::Query ADOQuery1{db, "ADOQuery1"}, ADOQuery2{db, "ADOQuery2"}, ADOQuery3{db, "ADOQuery3"};
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TrpDBDataset *rpDBDataset1, *rpDBDataset2, *rpDBDataset3, *rpDBDataset4;
    TrpReport *rpReport1, *rpReport2;

    Window()
    {
        db.execute("PRAGMA synchronous = OFF");
        form->SetName("fmain");
        ADOQuery1.setSql("select * from zq_dd");
        ADOQuery2.setSql("select * from zq_ddmx");
        ADOQuery3.setSql("select * from config");
        rpDBDataset1 = dataset("rpDBDataset1", ADOQuery1);
        rpDBDataset2 = dataset("rpDBDataset2", ADOQuery2);
        rpDBDataset3 = dataset("rpDBDataset3", ADOQuery1);
        rpDBDataset4 = dataset("rpDBDataset4", ADOQuery3);
        rpReport1 = report("rpReport1");
        rpReport2 = report("rpReport2");
    }
    // What the order-sheet command does with an order number.
    void selectOrder(const std::string& bh)
    {
        ADOQuery1.setSql("select * from zq_dd where bh=?", {db::Value(bh)});
        ADOQuery1.open();
        ADOQuery2.setSql("select * from zq_ddmx where bh=?", {db::Value(bh)});
        ADOQuery2.open();
    }
    TrpDBDataset* dataset(const char* name, db::Query& q)
    {
        auto* ds = new TrpDBDataset(form.get());
        ds->SetName(name);
        ds->SetDataSet(&q);
        return ds;
    }
    TrpReport* report(const char* name)
    {
        auto* r = new TrpReport(form.get());
        r->SetName(name);
        return r;
    }
};

}  // namespace object_test
