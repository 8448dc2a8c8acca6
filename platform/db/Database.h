#pragma once
// The SQLite connection. Every statement takes bound values; nothing is
// ever joined into SQL text.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DbErrors.h"
#include "DbValue.h"

struct sqlite3;
struct sqlite3_stmt;

namespace db {

using Params = std::vector<Value>;
// Column name and value pairs for the insert and update helpers.
using Row = std::vector<std::pair<std::string, Value>>;

// What a file on disk looks like before SQLite touches it.
enum class FileKind { Missing, Empty, SQLite, Access, Other };
FileKind SniffFile(const std::string& path);

class Database {
public:
    enum class OpenMode { ReadWrite, ReadWriteCreate, ReadOnly };

    Database() = default;
    Database(const std::string& path, OpenMode mode) { open(path, mode); }
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens and checks that the file really is a database: a file that is
    // not raises ENotADatabase, any other failure EDatabaseError.
    void open(const std::string& path, OpenMode mode);
    void close() noexcept;
    bool isOpen() const noexcept { return db_ != nullptr; }
    const std::string& path() const noexcept { return path_; }
    sqlite3* handle() const noexcept { return db_; }

    // Runs one statement with bound values; returns the rows it changed.
    int64_t execute(std::string_view sql, const Params& params = {});
    // Runs several statements without values (schema scripts).
    void executeScript(std::string_view sql);
    // The first column of the first row, Null when there is no row.
    Value scalar(std::string_view sql, const Params& params = {});

    int64_t lastInsertRowId() const noexcept;
    int userVersion();
    void setUserVersion(int version);
    bool inTransaction() const noexcept;
    // How long a statement waits for another connection's lock before it
    // fails with "database is locked".
    void setBusyTimeout(int milliseconds);
    static constexpr int kDefaultBusyTimeoutMs = 3000;
    bool tableExists(std::string_view name);

    // INSERT INTO table(cols...) VALUES(?...); returns the new rowid.
    int64_t insertRow(std::string_view table, const Row& values);
    // UPDATE table SET col=?... WHERE rowid=?; returns the rows changed.
    int64_t updateRow(std::string_view table, int64_t rowid, const Row& values);

    // Raises EDatabaseError with SQLite's message for a failed result code.
    [[noreturn]] void fail(int rc, std::string_view what) const;

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

// One transaction; rolls back unless committed. Nested use joins the
// outer transaction (commit and rollback belong to the outermost one).
// A COMMIT that fails rolls back before it raises: the stored data stay as
// they were and a retry starts afresh.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    void rollback() noexcept;
    Database& db_;
    bool owner_ = false;
    bool done_ = false;
};

// A prepared statement with its values bound; used by the query class and
// by the connection's own helpers.
class Statement {
public:
    // An empty or blank SQL text prepares to no statement: step() then
    // yields no row.
    Statement(Database& db, std::string_view sql, const Params& params);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool step();  // true while a row is available
    int columnCount() const noexcept;
    std::string columnName(int i) const;
    std::string columnDeclType(int i) const;  // "" for expressions
    Value column(int i) const;
    // The column without a copy; the bytes of a text or blob stay valid
    // until the next step.
    StorageClass columnKind(int i) const noexcept;
    int64_t columnInt64(int i) const noexcept;
    double columnDouble(int i) const noexcept;
    std::string_view columnBytes(int i, StorageClass kind) const noexcept;
    bool empty() const noexcept { return stmt_ == nullptr; }

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::string sql_;
};

}  // namespace db
