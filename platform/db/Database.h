#pragma once
// The connection: an SQLite file, or a PostgreSQL server through libpq.
// Every statement takes bound values; nothing is ever joined into SQL text.
// Statements are written as SQLite reads them ("?" for a value); what a
// server needs instead is made here, so no caller knows which one it talks
// to.

#include <cstdint>
#include <memory>
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

enum class Engine { SQLite, PostgreSQL };

// A connection text for a server ("postgresql://..." or libpq's
// "key=value ..."), as opposed to a file name.
bool IsServerConnection(std::string_view target);

// Compares two UTF-16 texts (lengths in bytes) as a named collation does.
using CollationCompare = int (*)(void* context, int lengthA, const void* a, int lengthB, const void* b);

class PgConnection;
class PgResult;
struct Schema;

class Database {
public:
    enum class OpenMode { ReadWrite, ReadWriteCreate, ReadOnly };

    Database();
    Database(const std::string& target, OpenMode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A file: opens it and checks that it really is a database (a file
    // that is not raises ENotADatabase). A connection text: connects to the
    // server. Any other failure raises EDatabaseError naming the file or
    // the server. ReadOnly refuses every statement that would write,
    // attach another file or vacuum.
    void open(const std::string& target, OpenMode mode);
    void close() noexcept;
    bool isOpen() const noexcept;
    Engine engine() const noexcept { return engine_; }
    bool readOnly() const noexcept { return mode_ == OpenMode::ReadOnly; }
    // The file name or the connection text, as given.
    const std::string& path() const noexcept { return path_; }
    // The file, or the server and database without any password: what an
    // error message names.
    const std::string& displayName() const noexcept { return display_; }

    // Opens the connection again after the server was lost; false when the
    // server still cannot be reached (the reason is in lastError()).
    bool reconnect();
    const std::string& lastError() const noexcept { return lastError_; }
    // Seconds a server connection waits at most for the server, a lock or
    // a statement (the connection text's connect_timeout, 10 by default).
    int timeoutSeconds() const noexcept;

    // Runs one statement with bound values; returns the rows it changed.
    int64_t execute(std::string_view sql, const Params& params = {});
    // Runs several statements without values (schema scripts).
    void executeScript(std::string_view sql);
    // The first column of the first row, Null when there is no row.
    Value scalar(std::string_view sql, const Params& params = {});

    // The id the last insert on this connection was given.
    int64_t lastInsertRowId();
    int userVersion();
    void setUserVersion(int version);
    bool inTransaction() const noexcept;
    // How long a statement waits for another connection's lock before it
    // fails with "database is locked" (SQLite; a server waits for
    // timeoutSeconds()).
    void setBusyTimeout(int milliseconds);
    static constexpr int kDefaultBusyTimeoutMs = 3000;
    bool tableExists(std::string_view name);
    // The tables of the database, without the engine's own.
    std::vector<std::string> tableNames();
    // Creates the tables and indexes of the schema as this engine spells
    // them (no transaction of its own).
    void createSchema(const Schema& schema);
    // Unless the database holds tables already: creates the schema, runs
    // the seed statements and sets the version, in one transaction; true
    // when it did. Two programs starting at once on one empty server make
    // the tables once.
    bool initializeIfEmpty(const Schema& schema, std::string_view seedScript, int version);
    // After rows were inserted with their ids given: the next id of each
    // table follows the largest one.
    void resetIdSequences(const Schema& schema);

    // A collation the statements name ("ORDER BY x COLLATE NAME"): SQLite
    // calls `compare`; a server uses its own ICU collation for `icuLocale`,
    // which sorts as `compare` does. The database owns `context` and frees
    // it with `destroy`.
    void defineCollation(const std::string& name, const std::string& icuLocale, CollationCompare compare, void* context,
                         void (*destroy)(void*));

    // INSERT INTO table(cols...) VALUES(?...); returns the new rowid.
    int64_t insertRow(std::string_view table, const Row& values);
    // UPDATE table SET col=?... WHERE rowid=?; returns the rows changed.
    int64_t updateRow(std::string_view table, int64_t rowid, const Row& values);

    // Raises EDatabaseError with SQLite's message for a failed result code,
    // naming the file.
    [[noreturn]] void fail(int rc, std::string_view what) const;

private:
    friend class Statement;
    friend class Transaction;
    void openFile(const std::string& path, OpenMode mode);
    void guardReadOnly();
    void applyCollations();
    // The live server connection; a lost one raises EConnectionLost.
    PgConnection& server();

    Engine engine_ = Engine::SQLite;
    OpenMode mode_ = OpenMode::ReadWrite;
    sqlite3* db_ = nullptr;
    std::unique_ptr<PgConnection> pg_;
    std::string path_;
    std::string display_;
    std::string lastError_;
    struct Collation;
    std::vector<std::shared_ptr<Collation>> collations_;
    int transactions_ = 0;  // Transaction objects that began one
};

// One transaction; rolls back unless committed. Nested use joins the
// outer transaction (commit and rollback belong to the outermost one).
// A COMMIT that fails rolls back before it raises: the stored data stay as
// they were and a retry starts afresh.
//
// Write takes the write lock at once (SQLite) or reads the latest rows of
// each statement (a server); Read sees one state of the whole database
// from its first statement to its end and writes nothing.
class Transaction {
public:
    enum class Kind { Write, Read };
    explicit Transaction(Database& db, Kind kind = Kind::Write);
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
// by the connection's own helpers. A server runs it at once and keeps its
// rows; SQLite steps through them.
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
    bool empty() const noexcept { return stmt_ == nullptr && pg_ == nullptr; }
    // The rows the statement changed, once it has run.
    int64_t changes() const noexcept;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::unique_ptr<PgResult> pg_;
    std::string sql_;
};

}  // namespace db
