#include "Database.h"

#include <sqlite3.h>

#include <algorithm>

#include <charconv>
#include <cstring>
#include <fstream>

#include "PgConnection.h"
#include "Schema.h"
#include "SqlDialect.h"
#include "SysUtils.h"

namespace db {

// ---- Value

std::string Value::asText() const
{
    switch (kind_) {
    case StorageClass::Null: return {};
    case StorageClass::Integer: return IntToStr(i_);
    case StorageClass::Float: return FloatToStr(f_);
    default: return s_;
    }
}

namespace {

std::string_view skipBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    return s;
}

}  // namespace

namespace {

// Leading number of a text, as SQLite reads text in arithmetic; 0 when
// there is none.
template <class T>
T leadingNumber(const std::string& text)
{
    std::string_view s = skipBlanks(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    T v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

}  // namespace

int64_t Value::asInt64() const
{
    switch (kind_) {
    case StorageClass::Integer: return i_;
    case StorageClass::Float: return static_cast<int64_t>(f_);
    case StorageClass::Null: return 0;
    default: return leadingNumber<int64_t>(s_);
    }
}

double Value::asDouble() const
{
    switch (kind_) {
    case StorageClass::Integer: return static_cast<double>(i_);
    case StorageClass::Float: return f_;
    case StorageClass::Null: return 0;
    default: return leadingNumber<double>(s_);
    }
}

// ---- Files

FileKind SniffFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return FileKind::Missing;
    char head[32] = {};
    in.read(head, sizeof head);
    const std::streamsize n = in.gcount();
    if (n == 0) return FileKind::Empty;
    if (n >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0) return FileKind::SQLite;
    // Jet 3/4 and ACE files carry their engine name at offset 4.
    if (n >= 19 && (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 || std::memcmp(head + 4, "Standard ACE DB", 15) == 0))
        return FileKind::Access;
    return FileKind::Other;
}

// ---- Schema

bool TableDef::hasId() const
{
    return std::any_of(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.kind == ColumnKind::Id; });
}

const TableDef* Schema::find(std::string_view table) const
{
    for (const TableDef& t : tables)
        if (SameText(t.name, table)) return &t;
    return nullptr;
}

// ---- Database

namespace {

// What a connection opened for reading may do: read, and read the settings
// and the tables' make-up. Writing, attaching another file (which creates
// it) and anything else are refused before the statement runs.
bool readOnlyPragma(const char* name)
{
    static const char* const allowed[] = {"table_info",   "table_xinfo",       "index_list",        "index_info",
                                          "index_xinfo",  "foreign_key_list",  "foreign_key_check", "integrity_check",
                                          "quick_check",  "collation_list",    "function_list",     "table_list"};
    for (const char* a : allowed)
        if (name && SameText(name, a)) return true;
    return false;
}

int readOnlyAuthorizer(void*, int action, const char* first, const char* second, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT: return SQLITE_OK;
    // A pragma that only reads, or one naming the table it describes.
    case SQLITE_PRAGMA: return second == nullptr || readOnlyPragma(first) ? SQLITE_OK : SQLITE_DENY;
    default: return SQLITE_DENY;
    }
}

// A text or a name between its quotes, a quote inside it doubled. Table
// and column names come from our own code, never from users; quoting them
// keeps a stray name from changing the statement anyway.
std::string quoted(std::string_view s, char quote)
{
    std::string out(1, quote);
    for (char c : s) {
        if (c == quote) out += quote;
        out += c;
    }
    out += quote;
    return out;
}
std::string quoteText(std::string_view s) { return quoted(s, '\''); }
std::string quoteIdent(std::string_view name) { return quoted(name, '"'); }

}  // namespace

struct Database::Collation {
    std::string name;
    std::string icuLocale;
    CollationCompare compare;
    std::shared_ptr<void> context;
};

Database::Database() = default;

Database::Database(const std::string& target, OpenMode mode) { open(target, mode); }

Database::~Database() { close(); }

bool Database::isOpen() const noexcept { return engine_ == Engine::SQLite ? db_ != nullptr : pg_ && pg_->alive(); }

int Database::timeoutSeconds() const noexcept { return pg_ ? pg_->timeoutSeconds() : kDefaultBusyTimeoutMs / 1000; }

void Database::fail(int rc, std::string_view what) const
{
    std::string msg(what);
    msg += " in " + display_ + ": ";
    msg += db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    if ((rc & 0xFF) == SQLITE_NOTADB) throw ENotADatabase(msg);
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) throw EUniqueViolation(msg);
    if ((rc & 0xFF) == SQLITE_AUTH) throw EReadOnlyRefused(msg + " (" + display_ + " is open for reading only)");
    throw EDatabaseError(msg);
}

PgConnection& Database::server()
{
    if (!pg_) throw EDatabaseError("Database is not open");
    if (pg_->stillThere()) return *pg_;
    // Closed by the server before this statement was sent: outside a
    // transaction nothing is lost by making the connection again.
    if (transactions_ == 0 && reconnect()) return *pg_;
    throw EConnectionLost("The connection to the " + display_ + " was lost" + (lastError_.empty() ? "" : ": " + lastError_));
}

void Database::open(const std::string& target, OpenMode mode)
{
    close();
    collations_.clear();
    mode_ = mode;
    path_ = target;
    lastError_.clear();
    if (IsServerConnection(target)) {
        engine_ = Engine::PostgreSQL;
        display_ = PgConnection::Describe(target);
        pg_ = std::make_unique<PgConnection>(target, mode == OpenMode::ReadOnly);
        display_ = pg_->server();
        return;
    }
    engine_ = Engine::SQLite;
    display_ = target;
    openFile(target, mode);
}

bool Database::reconnect()
{
    if (engine_ != Engine::PostgreSQL || path_.empty()) return isOpen();
    // A transaction on the lost connection is gone: statements of it must
    // not go on, outside any transaction, on a new one.
    if (transactions_ > 0) throw EConnectionLost("The connection to the " + display_ + " was lost in the middle of a transaction");
    try {
        auto fresh = std::make_unique<PgConnection>(path_, mode_ == OpenMode::ReadOnly);
        for (const auto& c : collations_) fresh->mapCollation(c->name, c->icuLocale);
        pg_ = std::move(fresh);
        lastError_.clear();
        return true;
    } catch (const EDatabaseError& e) {
        lastError_ = e.message();
        return false;
    }
}

void Database::openFile(const std::string& path, OpenMode mode)
{
    if (SniffFile(path) == FileKind::Access)
        throw ENotADatabase("Cannot open " + path + ": it is an Access database file");
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case OpenMode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case OpenMode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case OpenMode::ReadWriteCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = "Cannot open " + path + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        close();
        throw EDatabaseError(msg);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kDefaultBusyTimeoutMs);
    if (mode == OpenMode::ReadOnly) guardReadOnly();
    // SQLite reads the header only on first use: make that happen now, so a
    // file that is not a database is refused at open.
    char* err = nullptr;
    const int check = sqlite3_exec(db_, "PRAGMA schema_version;", nullptr, nullptr, &err);
    if (check != SQLITE_OK) {
        const std::string why = err ? err : sqlite3_errstr(check);
        sqlite3_free(err);
        close();
        if ((check & 0xFF) == SQLITE_NOTADB) throw ENotADatabase("Cannot open " + path + ": file is not a database");
        if (check == SQLITE_READONLY_ROLLBACK)
            throw EDatabaseError("Cannot open " + path + " for reading: a save was cut short and its journal is left; the program "
                                 "finishes undoing it the next time it opens the file");
        throw EDatabaseError("Cannot open " + path + ": " + why);
    }
}

void Database::guardReadOnly()
{
    sqlite3_set_authorizer(db_, &readOnlyAuthorizer, nullptr);
    // VACUUM INTO and ATTACH write files of their own: no file may join.
    sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

void Database::close() noexcept
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    pg_.reset();
}

int64_t Database::execute(std::string_view sql, const Params& params)
{
    Statement st(*this, sql, params);
    while (st.step()) {
    }
    return st.empty() ? 0 : st.changes();
}

void Database::executeScript(std::string_view sql)
{
    if (engine_ == Engine::PostgreSQL) return server().runScript(sql, "Statement failed");
    if (!db_) throw EDatabaseError("Database is not open");
    if (mode_ == OpenMode::ReadOnly) {
        // Statement by statement, so that each is checked as a query is.
        std::string_view rest = sql;
        while (!rest.empty()) {
            const char* tail = nullptr;
            sqlite3_stmt* st = nullptr;
            const int rc = sqlite3_prepare_v2(db_, rest.data(), static_cast<int>(rest.size()), &st, &tail);
            if (rc != SQLITE_OK) fail(rc, "Statement failed");
            rest.remove_prefix(static_cast<std::size_t>(tail - rest.data()));
            if (!st) continue;
            if (!sqlite3_stmt_readonly(st)) {
                sqlite3_finalize(st);
                throw EReadOnlyRefused("Refused in " + display_ + ": it is open for reading only, and the statement would change it");
            }
            int step = SQLITE_ROW;
            while (step == SQLITE_ROW) step = sqlite3_step(st);
            sqlite3_finalize(st);
            if (step != SQLITE_DONE) fail(step, "Statement failed");
        }
        return;
    }
    char* err = nullptr;
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = "Statement failed in " + display_ + ": " + (err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        if ((rc & 0xFF) == SQLITE_NOTADB) throw ENotADatabase(msg);
        throw EDatabaseError(msg);
    }
}

Value Database::scalar(std::string_view sql, const Params& params)
{
    Statement st(*this, sql, params);
    if (!st.step() || st.columnCount() == 0) return {};
    return st.column(0);
}

int64_t Database::lastInsertRowId()
{
    if (engine_ == Engine::PostgreSQL) return scalar("SELECT lastval()").asInt64();
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

// The schema's version on a server: a table of its own, one row.
static constexpr const char* kVersionTable = "dorvak_version";

int Database::userVersion()
{
    if (engine_ == Engine::PostgreSQL)
        return tableExists(kVersionTable) ? static_cast<int>(scalar(std::string("SELECT version FROM ") + kVersionTable).asInt64()) : 0;
    return static_cast<int>(scalar("PRAGMA user_version").asInt64());
}

void Database::setUserVersion(int version)
{
    // Neither takes a bound value here; the number is formatted by us.
    if (engine_ == Engine::PostgreSQL) {
        const std::string t = kVersionTable;
        executeScript("CREATE TABLE IF NOT EXISTS " + t + " (version INTEGER NOT NULL); DELETE FROM " + t + "; INSERT INTO " + t +
                      " VALUES (" + IntToStr(version) + ");");
        return;
    }
    executeScript("PRAGMA user_version = " + IntToStr(version));
}

void Database::setBusyTimeout(int milliseconds)
{
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

bool Database::inTransaction() const noexcept
{
    if (engine_ == Engine::PostgreSQL) return pg_ && pg_->inTransaction();
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

bool Database::tableExists(std::string_view name)
{
    if (engine_ == Engine::PostgreSQL)
        return !scalar("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND tablename = lower(?)", {Value(name)})
                    .isNull();
    return !scalar("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE", {Value(name)}).isNull();
}

std::vector<std::string> Database::tableNames()
{
    std::vector<std::string> out;
    const char* sql = engine_ == Engine::PostgreSQL
                          ? "SELECT tablename FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND tablename <> ? ORDER BY 1"
                          : "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> ? "
                            "ORDER BY 1";
    Statement st(*this, sql, {Value(kVersionTable)});
    while (st.step()) out.push_back(st.column(0).asText());
    return out;
}

void Database::createSchema(const Schema& schema)
{
    const bool server = engine_ == Engine::PostgreSQL;
    std::string sql;
    const auto quote = quoteIdent;
    bool noCase = false;
    for (const TableDef& t : schema.tables)
        for (const ColumnDef& c : t.columns) noCase = noCase || c.kind == ColumnKind::NoCaseText;
    // citext compares as SQLite's NOCASE does; "C" sorts by bytes, as SQLite.
    if (server && noCase) sql += "CREATE EXTENSION IF NOT EXISTS citext;\n";
    for (const TableDef& t : schema.tables) {
        sql += "CREATE TABLE " + quote(t.name) + " (";
        bool first = true;
        for (const ColumnDef& c : t.columns) {
            if (!first) sql += ", ";
            first = false;
            sql += quote(c.name) + " ";
            switch (c.kind) {
            case ColumnKind::Id: sql += server ? "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT"; break;
            case ColumnKind::Text: sql += "TEXT"; break;
            case ColumnKind::NoCaseText: sql += server ? "CITEXT COLLATE \"C\"" : "TEXT COLLATE NOCASE"; break;
            }
            if (c.defaultText) sql += " DEFAULT " + quoteText(*c.defaultText);
            if (c.defaultLocalTime)
                sql += server ? " DEFAULT to_char(localtimestamp(0), 'YYYY-MM-DD HH24:MI:SS')"
                              : " DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime'))";
        }
        // A server has no row number of its own to update a row by.
        if (server && !t.hasId()) sql += std::string(first ? "" : ", ") + kRowIdColumn + " BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
        sql += ");\n";
    }
    for (const IndexDef& i : schema.indexes) {
        sql += std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + "INDEX " + quote(i.name) + " ON " + quote(i.table) + "(";
        for (std::size_t k = 0; k < i.columns.size(); ++k) sql += (k ? ", " : "") + quote(i.columns[k]);
        sql += ");\n";
    }
    executeScript(sql);
}

bool Database::initializeIfEmpty(const Schema& schema, std::string_view seedScript, int version)
{
    Transaction t(*this);
    // The other program waits here until the first one has made them.
    if (engine_ == Engine::PostgreSQL) scalar("SELECT pg_advisory_xact_lock(7306261)");
    if (!tableNames().empty()) return false;
    createSchema(schema);
    if (!seedScript.empty()) executeScript(seedScript);
    setUserVersion(version);
    t.commit();
    return true;
}

void Database::resetIdSequences(const Schema& schema)
{
    // SQLite's AUTOINCREMENT follows the largest id by itself.
    if (engine_ != Engine::PostgreSQL) return;
    for (const TableDef& t : schema.tables) {
        const std::string key = t.hasId() ? "id" : kRowIdColumn;
        scalar("SELECT setval(pg_get_serial_sequence(?, ?), COALESCE((SELECT MAX(\"" + key + "\") FROM \"" + t.name + "\"), 0) + 1, false)",
               {Value(t.name), Value(key)});
    }
}

void Database::defineCollation(const std::string& name, const std::string& icuLocale, CollationCompare compare, void* context,
                               void (*destroy)(void*))
{
    auto c = std::make_shared<Collation>(Collation{name, icuLocale, compare, std::shared_ptr<void>(context, destroy ? destroy : [](void*) {})});
    if (engine_ == Engine::PostgreSQL) {
        server().mapCollation(name, icuLocale);
    } else {
        if (!db_) throw EDatabaseError("Database is not open");
        const int rc = sqlite3_create_collation_v2(db_, name.c_str(), SQLITE_UTF16_ALIGNED, c->context.get(), compare, nullptr);
        if (rc != SQLITE_OK) fail(rc, "Cannot add the collation " + name);
    }
    collations_.push_back(std::move(c));
}

int64_t Database::insertRow(std::string_view table, const Row& values)
{
    std::string sql = "INSERT INTO " + quoteIdent(table);
    Params params;
    if (values.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string cols, marks;
        for (const auto& [col, v] : values) {
            if (!cols.empty()) {
                cols += ',';
                marks += ',';
            }
            cols += quoteIdent(col);
            marks += '?';
            params.push_back(v);
        }
        sql += "(" + cols + ") VALUES(" + marks + ")";
    }
    execute(sql, params);
    return lastInsertRowId();
}

int64_t Database::updateRow(std::string_view table, int64_t rowid, const Row& values)
{
    if (values.empty()) return 0;
    std::string sql = "UPDATE " + quoteIdent(table) + " SET ";
    Params params;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) sql += ',';
        sql += quoteIdent(values[i].first) + "=?";
        params.push_back(values[i].second);
    }
    sql += " WHERE rowid=?";
    params.emplace_back(rowid);
    return execute(sql, params);
}

// ---- Transaction

Transaction::Transaction(Database& db, Kind kind) : db_(db)
{
    if (db_.inTransaction()) return;
    if (db_.engine() == Engine::PostgreSQL) {
        const char* begin = kind == Kind::Write ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
        // Nothing has happened yet: a connection found lost may be made
        // again, and the transaction begun on the new one.
        if (!db_.isOpen() && !db_.reconnect()) throw EConnectionLost("Cannot reach the " + db_.displayName() + ": " + db_.lastError());
        try {
            db_.executeScript(begin);
        } catch (const EConnectionLost&) {
            if (!db_.reconnect()) throw EConnectionLost("Cannot reach the " + db_.displayName() + ": " + db_.lastError());
            db_.executeScript(begin);
        }
    } else {
        db_.executeScript(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
    }
    owner_ = true;
    ++db_.transactions_;
}

Transaction::~Transaction()
{
    if (owner_ && !done_) rollback();
    if (owner_) --db_.transactions_;
}

void Transaction::commit()
{
    if (done_) return;
    if (!owner_) {
        done_ = true;
        return;
    }
    try {
        db_.executeScript("COMMIT");
    } catch (...) {
        // SQLite keeps the transaction open when COMMIT fails (a reader
        // holds the file): later writes would live only inside it and the
        // failed attempt would be stored with the retry. Undo it now.
        rollback();
        throw;
    }
    done_ = true;
}

void Transaction::rollback() noexcept
{
    done_ = true;
    if (db_.pg_) return db_.pg_->rollbackQuietly();
    if (db_.isOpen() && db_.inTransaction()) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

// ---- Statement

Statement::Statement(Database& db, std::string_view sql, const Params& params) : db_(db)
{
    if (db_.engine() == Engine::PostgreSQL) {
        pg_ = db_.server().run(sql, params, "Statement failed");
        return;
    }
    sql_ = dialect::ToSqlite(sql);
    if (!db_.isOpen()) throw EDatabaseError("Database is not open");
    sqlite3* handle = db_.db_;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql_.c_str(), static_cast<int>(sql_.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) db_.fail(rc, "Cannot prepare statement");
    if (!stmt_) return;  // empty text or only a comment
    // A second statement in the text would be silently ignored: refuse it.
    while (tail && *tail) {
        sqlite3_stmt* extra = nullptr;
        const char* next = nullptr;
        rc = sqlite3_prepare_v2(handle, tail, -1, &extra, &next);
        if (extra) sqlite3_finalize(extra);
        if (rc != SQLITE_OK || extra) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw EDatabaseError("Only one statement may be run at a time (" + db_.displayName() + ")");
        }
        if (next == tail) break;
        tail = next;
    }
    if (db_.readOnly() && !sqlite3_stmt_readonly(stmt_)) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw EReadOnlyRefused("Refused in " + db_.displayName() + ": it is open for reading only, and the statement would change it");
    }
    const int expected = sqlite3_bind_parameter_count(stmt_);
    if (expected != static_cast<int>(params.size())) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw EDatabaseError("The statement takes " + IntToStr(expected) + " values, " + IntToStr(static_cast<int64_t>(params.size())) +
                             " were given (" + db_.displayName() + ")");
    }
    for (int i = 0; i < expected; ++i) {
        const Value& v = params[static_cast<std::size_t>(i)];
        switch (v.kind()) {
        case StorageClass::Null: rc = sqlite3_bind_null(stmt_, i + 1); break;
        case StorageClass::Integer: rc = sqlite3_bind_int64(stmt_, i + 1, v.integer()); break;
        case StorageClass::Float: rc = sqlite3_bind_double(stmt_, i + 1, v.real()); break;
        case StorageClass::Text:
            rc = sqlite3_bind_text64(stmt_, i + 1, v.bytes().data(), v.bytes().size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        case StorageClass::Blob:
            rc = sqlite3_bind_blob64(stmt_, i + 1, v.bytes().data(), v.bytes().size(), SQLITE_TRANSIENT);
            break;
        }
        if (rc != SQLITE_OK) db_.fail(rc, "Cannot bind value");
    }
}

Statement::~Statement()
{
    if (stmt_) sqlite3_finalize(stmt_);
}

bool Statement::step()
{
    if (pg_) return pg_->step();
    if (!stmt_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.fail(rc, "Statement failed");
}

int64_t Statement::changes() const noexcept
{
    if (pg_) return pg_->changes();
    return db_.db_ ? sqlite3_changes64(db_.db_) : 0;
}

int Statement::columnCount() const noexcept
{
    if (pg_) return pg_->columnCount();
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

std::string Statement::columnName(int i) const
{
    if (pg_) return pg_->column(i).name;
    const char* n = sqlite3_column_name(stmt_, i);
    return n ? n : "";
}

std::string Statement::columnDeclType(int i) const
{
    if (pg_) return pg_->column(i).declType;
    const char* t = sqlite3_column_decltype(stmt_, i);
    return t ? t : "";
}

StorageClass Statement::columnKind(int i) const noexcept
{
    if (pg_) return pg_->kind(i);
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER: return StorageClass::Integer;
    case SQLITE_FLOAT: return StorageClass::Float;
    case SQLITE_TEXT: return StorageClass::Text;
    case SQLITE_BLOB: return StorageClass::Blob;
    default: return StorageClass::Null;
    }
}

int64_t Statement::columnInt64(int i) const noexcept { return pg_ ? pg_->int64(i) : sqlite3_column_int64(stmt_, i); }

double Statement::columnDouble(int i) const noexcept { return pg_ ? pg_->real(i) : sqlite3_column_double(stmt_, i); }

std::string_view Statement::columnBytes(int i, StorageClass kind) const noexcept
{
    if (pg_) return pg_->bytes(i);
    // The pointer first: asking for it may convert the value, which changes
    // its length.
    const void* p = kind == StorageClass::Blob ? sqlite3_column_blob(stmt_, i) : sqlite3_column_text(stmt_, i);
    if (!p) return {};
    return {static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))};
}

Value Statement::column(int i) const
{
    switch (const StorageClass k = columnKind(i)) {
    case StorageClass::Integer: return Value(columnInt64(i));
    case StorageClass::Float: return Value(columnDouble(i));
    case StorageClass::Text: return Value(columnBytes(i, k));
    case StorageClass::Blob: return Value::Blob(std::string(columnBytes(i, k)));
    default: return {};
    }
}

}  // namespace db
