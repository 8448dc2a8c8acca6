#pragma once
// The data module: the one connection to the order database and the two
// shared queries, ADOsel for every read and ADOadd for every write. The
// database is dorvak.db in the working folder, or what the database setting
// names (a PostgreSQL server shared by several workstations); its tables
// are made on first start.

#include <functional>
#include <memory>
#include <string>

#include "DATAMSchema.h"
#include "Database.h"
#include "Query.h"

class TDM {
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // Opens the database of the setting, creating its tables (schema, seed
    // rows, version) when it is missing or empty. A file that is not a
    // database raises EDatabaseError with a message for the user; the
    // module then stays without a connection, and each later read or write
    // tries again (another program may have held the file only for a
    // moment). A server that cannot be reached raises
    // EDatabaseServerUnreachable naming the server and the reason.
    void Connect();
    // Runs once a connection that failed at start-up is made: what the
    // forms read when they were created is read again.
    std::function<void()> OnReconnected;
    bool Connected() const noexcept { return ADOCn.isOpen(); }
    // The database is a server (the setting is a connection text).
    bool OnServer() const noexcept { return onServer_; }
    // The connection, made again first when it was lost (a server that
    // went away and came back): for a transaction of several statements.
    db::Database& Connection();

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

    static constexpr int kSchemaVersion = app::kOrderSchemaVersion;
    // The collation that sorts names (customers, order makers) in pinyin
    // order: "ORDER BY khmc COLLATE PINYIN".
    static constexpr const char* kNameCollation = "PINYIN";

private:
    void requireConnection();
    void connectFile(const std::string& path);
    void connectServer(const std::string& connection);
    void checkVersion(const std::string& shown);
    bool onServer_ = false;
    bool everConnected_ = false;
};

// The database server named by the setting cannot be reached.
DORVAK_DECLARE_EXCEPTION(EDatabaseServerUnreachable, EDatabaseError)

extern TDM* DM;
