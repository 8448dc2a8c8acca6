#pragma once
// A PostgreSQL server through libpq, behind Database and Statement. Not for
// use above this folder.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Database.h"

struct pg_conn;
struct pg_result;

namespace db {

// The rows of one statement, all fetched; values arrive as text and are
// read as the column's kind.
class PgResult {
public:
    struct Column {
        std::string name;
        std::string declType;  // "" for expressions, as SQLite has it
        uint32_t type = 0;     // the server's type oid
        StorageClass kind = StorageClass::Text;
    };

    PgResult(pg_result* result, std::vector<Column> columns);
    ~PgResult();
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    bool step() noexcept { return ++row_ < rows_; }
    int columnCount() const noexcept { return static_cast<int>(columns_.size()); }
    const Column& column(int i) const { return columns_[static_cast<std::size_t>(i)]; }
    StorageClass kind(int i) const noexcept;
    int64_t int64(int i) const noexcept;
    double real(int i) const noexcept;
    std::string_view bytes(int i) const noexcept;
    int64_t changes() const noexcept { return changes_; }

private:
    const char* text(int i) const noexcept;
    pg_result* result_;
    std::vector<Column> columns_;
    int rows_ = 0;
    int row_ = -1;
    int64_t changes_ = 0;
    mutable std::string blob_;  // the decoded bytes of the last blob read
};

class PgConnection {
public:
    // Connects; raises EDatabaseError naming the server and the reason.
    PgConnection(const std::string& connection, bool readOnly);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement, written as SQLite reads it.
    std::unique_ptr<PgResult> run(std::string_view sql, const Params& params, std::string_view what);
    // Several statements without values, as written.
    void runScript(std::string_view sql, std::string_view what);
    bool inTransaction() const noexcept;
    // Ends a transaction the server aborted or the caller gave up.
    void rollbackQuietly() noexcept;
    bool alive() const noexcept;
    // Looks, without waiting, whether the server has closed the connection
    // since the last statement (a restart, an administrator): nothing is
    // sent, so a closed one can be made again safely.
    bool stillThere() noexcept;
    const std::string& server() const noexcept { return server_; }
    int timeoutSeconds() const noexcept { return timeout_; }
    // The server's name for a collation a statement names; empty for a
    // name it does not know.
    void mapCollation(const std::string& name, const std::string& icuLocale);

    // The server, database and user of a connection text (no password).
    static std::string Describe(const std::string& connection);

private:
    [[noreturn]] void fail(pg_result* result, std::string_view what);
    std::string translate(std::string_view sql) const;
    std::vector<PgResult::Column> describe(pg_result* result);
    std::string typeName(uint32_t oid);
    void keepReadOnly(std::string_view what);

    pg_conn* conn_ = nullptr;
    std::string server_;
    int timeout_ = 10;
    bool readOnly_ = false;
    std::map<std::string, std::string> collations_;  // upper-case name -> server collation
    std::map<uint32_t, std::string> typeNames_;
};

}  // namespace db
