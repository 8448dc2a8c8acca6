#pragma once
// The data module: the one connection to dorvak.db in the working folder
// and the two shared queries, ADOsel for every read and ADOadd for every
// write. The file is created with its schema on first start.

#include <functional>
#include <memory>
#include <string>

#include "Database.h"
#include "Query.h"

class TDM {
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // Opens the database file of the working folder, creating it (schema,
    // seed rows, version) when it is missing. A file that is not a database
    // raises EDatabaseError with a message for the user; the module then
    // stays without a connection, and each later read or write tries again
    // (another program may have held the file only for a moment).
    void Connect();
    // Runs once a connection that failed at start-up is made: what the
    // forms read when they were created is read again.
    std::function<void()> OnReconnected;
    bool Connected() const noexcept { return ADOCn.isOpen(); }

    // The read cycle: close ADOsel, give it the statement and its values,
    // open it; the caller walks the rows.
    db::Query& Read(std::string sql, db::Params params = {});
    // A statement that changes rows, on ADOadd; returns the rows changed.
    int64_t Write(std::string sql, db::Params params = {});
    // Appends a row unless the check finds one, both in one transaction;
    // false when the row exists (nothing is written).
    bool AppendUnless(std::string existsSql, db::Params existsParams, std::string insertSql, db::Params values);

    db::Database ADOCn;
    db::Query ADOsel{ADOCn, "ADOsel"};
    db::Query ADOadd{ADOCn, "ADOadd"};

    static constexpr int kSchemaVersion = 1;
    // The collation that sorts names (customers, order makers) in pinyin
    // order: "ORDER BY khmc COLLATE PINYIN".
    static constexpr const char* kNameCollation = "PINYIN";

private:
    void requireConnection();
    void createSchema();
};

extern TDM* DM;
