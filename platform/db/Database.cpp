#include "Database.h"

#include <sqlite3.h>

#include <charconv>
#include <cstring>
#include <fstream>

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

// ---- Database

Database::~Database() { close(); }

void Database::fail(int rc, std::string_view what) const
{
    std::string msg(what);
    msg += ": ";
    msg += db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    if ((rc & 0xFF) == SQLITE_NOTADB) throw ENotADatabase(msg);
    throw EDatabaseError(msg);
}

void Database::open(const std::string& path, OpenMode mode)
{
    close();
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
    path_ = path;
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kDefaultBusyTimeoutMs);
    // SQLite reads the header only on first use: make that happen now, so a
    // file that is not a database is refused at open.
    try {
        executeScript("PRAGMA schema_version;");
    } catch (const EDatabaseError& e) {
        close();
        if (dynamic_cast<const ENotADatabase*>(&e)) throw ENotADatabase("Cannot open " + path + ": file is not a database");
        throw;
    }
}

void Database::close() noexcept
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

int64_t Database::execute(std::string_view sql, const Params& params)
{
    Statement st(*this, sql, params);
    while (st.step()) {
    }
    return st.empty() ? 0 : sqlite3_changes64(db_);
}

void Database::executeScript(std::string_view sql)
{
    if (!db_) throw EDatabaseError("Database is not open");
    char* err = nullptr;
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errstr(rc);
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

int64_t Database::lastInsertRowId() const noexcept { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

int Database::userVersion() { return static_cast<int>(scalar("PRAGMA user_version").asInt64()); }

void Database::setUserVersion(int version)
{
    // PRAGMA takes no bound values; the number is formatted by us.
    executeScript("PRAGMA user_version = " + IntToStr(version));
}

void Database::setBusyTimeout(int milliseconds)
{
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

bool Database::inTransaction() const noexcept { return db_ && sqlite3_get_autocommit(db_) == 0; }

bool Database::tableExists(std::string_view name)
{
    return !scalar("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE", {Value(name)}).isNull();
}

namespace {

// Table and column names come from our own code, never from users; quoting
// them keeps a stray name from changing the statement anyway.
std::string quoteIdent(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

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

Transaction::Transaction(Database& db) : db_(db)
{
    if (!db_.inTransaction()) {
        db_.executeScript("BEGIN IMMEDIATE");
        owner_ = true;
    }
}

Transaction::~Transaction()
{
    if (owner_ && !done_) rollback();
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
    if (db_.isOpen() && db_.inTransaction()) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

// ---- Statement

Statement::Statement(Database& db, std::string_view sql, const Params& params) : db_(db), sql_(sql)
{
    if (!db_.isOpen()) throw EDatabaseError("Database is not open");
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_.handle(), sql_.c_str(), static_cast<int>(sql_.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) db_.fail(rc, "Cannot prepare statement");
    if (!stmt_) return;  // empty text or only a comment
    // A second statement in the text would be silently ignored: refuse it.
    while (tail && *tail) {
        sqlite3_stmt* extra = nullptr;
        const char* next = nullptr;
        rc = sqlite3_prepare_v2(db_.handle(), tail, -1, &extra, &next);
        if (extra) sqlite3_finalize(extra);
        if (rc != SQLITE_OK || extra) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw EDatabaseError("Only one statement may be run at a time");
        }
        if (next == tail) break;
        tail = next;
    }
    const int expected = sqlite3_bind_parameter_count(stmt_);
    if (expected != static_cast<int>(params.size())) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw EDatabaseError("The statement takes " + IntToStr(expected) + " values, " + IntToStr(static_cast<int64_t>(params.size())) +
                             " were given");
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
    if (!stmt_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.fail(rc, "Statement failed");
}

int Statement::columnCount() const noexcept { return stmt_ ? sqlite3_column_count(stmt_) : 0; }

std::string Statement::columnName(int i) const
{
    const char* n = sqlite3_column_name(stmt_, i);
    return n ? n : "";
}

std::string Statement::columnDeclType(int i) const
{
    const char* t = sqlite3_column_decltype(stmt_, i);
    return t ? t : "";
}

StorageClass Statement::columnKind(int i) const noexcept
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER: return StorageClass::Integer;
    case SQLITE_FLOAT: return StorageClass::Float;
    case SQLITE_TEXT: return StorageClass::Text;
    case SQLITE_BLOB: return StorageClass::Blob;
    default: return StorageClass::Null;
    }
}

int64_t Statement::columnInt64(int i) const noexcept { return sqlite3_column_int64(stmt_, i); }

double Statement::columnDouble(int i) const noexcept { return sqlite3_column_double(stmt_, i); }

std::string_view Statement::columnBytes(int i, StorageClass kind) const noexcept
{
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
