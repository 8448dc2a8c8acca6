#include "PgConnection.h"

#include <libpq-fe.h>

#include <poll.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "SqlDialect.h"
#include "SysUtils.h"

namespace db {

namespace {

// The server's built-in type oids (fixed since they were given).
enum : uint32_t {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700,
};

std::string trimmed(const char* text)
{
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) s.pop_back();
    // libpq's messages may span lines ("connection to server ... failed: ...").
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

struct ConnInfo {
    PQconninfoOption* options = nullptr;
    std::string error;
    explicit ConnInfo(const std::string& text)
    {
        char* err = nullptr;
        options = PQconninfoParse(text.c_str(), &err);
        if (err) {
            error = trimmed(err);
            PQfreemem(err);
        }
    }
    ~ConnInfo()
    {
        if (options) PQconninfoFree(options);
    }
    std::string get(const char* keyword) const
    {
        for (auto* o = options; o && o->keyword; ++o)
            if (std::strcmp(o->keyword, keyword) == 0 && o->val) return o->val;
        return {};
    }
};

std::string describeParts(std::string host, std::string port, std::string dbname, std::string user)
{
    if (host.empty()) host = "the local socket";
    std::string out = "server " + host;
    if (!port.empty()) out += ":" + port;
    if (!dbname.empty()) out += ", database " + dbname;
    if (!user.empty()) out += ", user " + user;
    return out;
}

}  // namespace

bool IsServerConnection(std::string_view target)
{
    std::string_view s = target;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    for (std::string_view scheme : {"postgresql://", "postgres://"})
        if (s.size() >= scheme.size() && SameText(s.substr(0, scheme.size()), scheme)) return true;
    // "key=value ...", where key is one of libpq's own words (a file may be
    // called "a=b.db").
    std::size_t n = 0;
    while (n < s.size() && (std::isalnum(static_cast<unsigned char>(s[n])) || s[n] == '_')) ++n;
    std::size_t eq = n;
    while (eq < s.size() && (s[eq] == ' ' || s[eq] == '\t')) ++eq;
    if (n == 0 || eq >= s.size() || s[eq] != '=') return false;
    const std::string key(s.substr(0, n));
    PQconninfoOption* defaults = PQconndefaults();
    bool known = false;
    for (auto* o = defaults; o && o->keyword; ++o)
        if (key == o->keyword) known = true;
    if (defaults) PQconninfoFree(defaults);
    return known;
}

std::string PgConnection::Describe(const std::string& connection)
{
    const ConnInfo info(connection);
    if (!info.options) return "server (connection text not understood)";
    std::string host = info.get("host");
    if (host.empty()) host = info.get("hostaddr");
    if (host.empty())
        if (const char* env = std::getenv("PGHOST")) host = env;
    std::string port = info.get("port");
    if (port.empty())
        if (const char* env = std::getenv("PGPORT")) port = env;
    return describeParts(host, port, info.get("dbname"), info.get("user"));
}

// ---- PgResult

PgResult::PgResult(pg_result* result, std::vector<Column> columns) : result_(result), columns_(std::move(columns))
{
    rows_ = PQntuples(result_);
    const char* changed = PQcmdTuples(result_);
    if (changed && *changed) changes_ = std::strtoll(changed, nullptr, 10);
}

PgResult::~PgResult() { PQclear(result_); }

const char* PgResult::text(int i) const noexcept { return PQgetvalue(result_, row_, i); }

StorageClass PgResult::kind(int i) const noexcept
{
    if (PQgetisnull(result_, row_, i)) return StorageClass::Null;
    const Column& c = columns_[static_cast<std::size_t>(i)];
    if (c.type != kNumeric) return c.kind;
    // A NUMERIC is an integer when it holds one that fits, as SQLite's
    // arithmetic would give it.
    const char* t = text(i);
    const std::size_t n = std::strlen(t);
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(t, t + n, v);
    return ec == std::errc() && end == t + n ? StorageClass::Integer : StorageClass::Float;
}

int64_t PgResult::int64(int i) const noexcept
{
    const char* t = text(i);
    if (columns_[static_cast<std::size_t>(i)].type == kBool) return *t == 't' ? 1 : 0;
    int64_t v = 0;
    std::from_chars(t, t + std::strlen(t), v);
    return v;
}

double PgResult::real(int i) const noexcept { return std::strtod(text(i), nullptr); }

std::string_view PgResult::bytes(int i) const noexcept
{
    const char* t = text(i);
    const auto n = static_cast<std::size_t>(PQgetlength(result_, row_, i));
    if (columns_[static_cast<std::size_t>(i)].type != kBytea) return {t, n};
    std::size_t size = 0;
    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(t), &size);
    if (!raw) return {};
    blob_.assign(reinterpret_cast<const char*>(raw), size);
    PQfreemem(raw);
    return blob_;
}

// ---- PgConnection

PgConnection::PgConnection(const std::string& connection, bool readOnly)
{
    server_ = Describe(connection);
    const ConnInfo info(connection);
    if (!info.options) throw EDatabaseError("Cannot use the connection text for the database server: " + info.error);
    // No wait longer than the connection's own time limit, 10 s unless it
    // names one: for the connection, a statement, a lock, a silent network.
    if (const std::string t = info.get("connect_timeout"); !t.empty()) timeout_ = std::max(1, std::atoi(t.c_str()));
    const std::string seconds = std::to_string(timeout_);
    const std::string millis = std::to_string(timeout_ * 1000);
    const std::string interval = std::to_string(std::max(1, timeout_ / 5));
    // Ours first: what the connection text says wins, but the text is ours
    // to read as UTF-8.
    const char* keys[] = {"connect_timeout", "fallback_application_name", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "tcp_user_timeout", "dbname", "client_encoding", nullptr};
    const char* values[] = {seconds.c_str(), "dorvak", seconds.c_str(), interval.c_str(), "3", millis.c_str(), connection.c_str(), "UTF8",
                            nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_) throw EDatabaseError("Cannot connect to the database " + server_ + ": out of memory");
    const char* host = PQhost(conn_);
    server_ = describeParts(host ? host : "", PQport(conn_) ? PQport(conn_) : "", PQdb(conn_) ? PQdb(conn_) : "",
                            PQuser(conn_) ? PQuser(conn_) : "");
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::string reason = trimmed(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw EConnectionLost("Cannot connect to the database " + server_ + ": " + reason);
    }
    // A database that does not hold its text as UTF-8 (SQL_ASCII, what a
    // cluster made in the C locale gives) would keep bytes unchecked,
    // compare letters beyond ASCII by their bytes and know no ICU collation.
    if (const char* encoding = PQparameterStatus(conn_, "server_encoding"); !encoding || std::string_view(encoding) != "UTF8") {
        const std::string found = encoding ? encoding : "unknown";
        PQfinish(conn_);
        conn_ = nullptr;
        throw EDatabaseError("Cannot use the database " + server_ + ": its text is encoded as " + found +
                             ", not UTF8; make it anew with createdb --encoding=UTF8 --locale=C.UTF-8 --template=template0");
    }
    // The server's notices ("... does not exist, skipping") are no
    // business of the program's standard error.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    std::string setup = "SET statement_timeout = " + millis + "; SET lock_timeout = " + millis + "; SET DateStyle = 'ISO, YMD';";
    if (readOnly) setup += " SET default_transaction_read_only = on;";
    try {
        runScript(setup, "Cannot set up the connection");
    } catch (...) {
        PQfinish(conn_);
        conn_ = nullptr;
        throw;
    }
    // Only now: the settings above are the session's, outside any
    // transaction that could undo them.
    readOnly_ = readOnly;
}

PgConnection::~PgConnection()
{
    if (conn_) PQfinish(conn_);
}

bool PgConnection::alive() const noexcept { return conn_ && PQstatus(conn_) == CONNECTION_OK; }

bool PgConnection::stillThere() noexcept
{
    if (!alive()) return false;
    // Something to read while no statement runs: the server's farewell,
    // then the end of the connection.
    for (int i = 0; i < 16 && alive(); ++i) {
        pollfd p{PQsocket(conn_), POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) break;
        if (!PQconsumeInput(conn_)) return false;
    }
    return alive();
}

bool PgConnection::inTransaction() const noexcept
{
    if (!conn_) return false;
    const PGTransactionStatusType s = PQtransactionStatus(conn_);
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
}

void PgConnection::rollbackQuietly() noexcept
{
    if (!alive() || !inTransaction()) return;
    PQclear(PQexec(conn_, "ROLLBACK"));
}

void PgConnection::fail(pg_result* result, std::string_view what)
{
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = primary ? trimmed(primary) : trimmed(PQerrorMessage(conn_));
    const char* stateField = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = stateField ? stateField : "";
    if (result) PQclear(result);
    if (message.empty()) message = "no answer";
    const std::string text = std::string(what) + " on the " + server_ + ": " + message;
    if (!alive()) throw EConnectionLost(text);
    if (state == "23505") throw EUniqueViolation(text);
    if (state == "25006") throw EReadOnlyRefused(text);
    throw EDatabaseError(text);
}

void PgConnection::keepReadOnly(std::string_view what)
{
    // Every statement of a reading connection runs inside a read-only
    // transaction: one a statement ended is begun again before the next.
    switch (PQtransactionStatus(conn_)) {
    case PQTRANS_IDLE: break;
    case PQTRANS_INERROR: PQclear(PQexec(conn_, "ROLLBACK")); break;
    default: return;
    }
    PGresult* r = PQexec(conn_, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    if (PQresultStatus(r) != PGRES_COMMAND_OK) fail(r, what);
    PQclear(r);
}

std::string PgConnection::translate(std::string_view sql) const { return dialect::ToServer(sql, collations_); }

void PgConnection::mapCollation(const std::string& name, const std::string& icuLocale)
{
    // The ICU collations a server knows from its start are called
    // "<locale>-x-icu"; the language alone sorts as its countries do.
    const std::string language = icuLocale.substr(0, icuLocale.find_first_of("-_"));
    const Params params = {Value(icuLocale + "-x-icu"), Value(language + "-x-icu")};
    auto found = run("SELECT collname FROM pg_collation WHERE collname IN (?, ?) ORDER BY collname = ? DESC, collname LIMIT 1",
                     {params[0], params[1], params[0]}, "Cannot look up a collation");
    std::string server;
    if (found && found->step()) server = std::string(found->bytes(0));
    if (server.empty())
        throw EDatabaseError("The database " + server_ + " has no ICU collation for \"" + icuLocale +
                             "\": the server must be built with ICU");
    collations_[UpperCase(name)] = server;
}

std::string PgConnection::typeName(uint32_t oid)
{
    switch (oid) {
    case kBool: return "BOOLEAN";
    case kBytea: return "BLOB";
    case kInt8: return "BIGINT";
    case kInt2: return "SMALLINT";
    case kInt4: return "INTEGER";
    case kOid: return "INTEGER";
    case kFloat4: return "REAL";
    case kFloat8: return "DOUBLE";
    case kNumeric: return "NUMERIC";
    case kDate: return "DATE";
    case kTime: return "TIME";
    case kTimestamp:
    case kTimestampTz: return "TIMESTAMP";
    case kText:
    case kBpchar:
    case kVarchar: return "TEXT";
    default: break;
    }
    // Types of extensions (citext) are looked up once.
    if (auto it = typeNames_.find(oid); it != typeNames_.end()) return it->second;
    PGresult* r = PQexecParams(conn_, ("SELECT typname FROM pg_type WHERE oid = " + std::to_string(oid)).c_str(), 0, nullptr, nullptr,
                               nullptr, nullptr, 0);
    std::string name = "TEXT";
    if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1) {
        const std::string t = UpperCase(PQgetvalue(r, 0, 0));
        // Anything but text the layer reads as text, declared as such.
        if (t.find("INT") != std::string::npos) name = "INTEGER";
    }
    PQclear(r);
    typeNames_.emplace(oid, name);
    return name;
}

std::vector<PgResult::Column> PgConnection::describe(pg_result* result)
{
    const int n = PQnfields(result);
    std::vector<PgResult::Column> cols(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        auto& c = cols[static_cast<std::size_t>(i)];
        c.name = PQfname(result, i);
        c.type = PQftype(result, i);
        switch (c.type) {
        case kBool:
        case kInt8:
        case kInt2:
        case kInt4:
        case kOid: c.kind = StorageClass::Integer; break;
        case kFloat4:
        case kFloat8:
        case kNumeric: c.kind = StorageClass::Float; break;
        case kBytea: c.kind = StorageClass::Blob; break;
        default: c.kind = StorageClass::Text; break;
        }
        // A table's column has its declared type; an expression none.
        if (PQftable(result, i) != 0) {
            c.declType = typeName(c.type);
            if ((c.type == kVarchar || c.type == kBpchar) && PQfmod(result, i) > 4)
                c.declType = (c.type == kVarchar ? "VARCHAR(" : "CHAR(") + std::to_string(PQfmod(result, i) - 4) + ")";
        }
    }
    return cols;
}

std::unique_ptr<PgResult> PgConnection::run(std::string_view sql, const Params& params, std::string_view what)
{
    if (!alive()) throw EConnectionLost(std::string(what) + ": the connection to the " + server_ + " was lost");
    if (readOnly_) keepReadOnly(what);
    int expected = 0;
    const std::string text = dialect::ToServer(sql, collations_, &expected);
    if (expected != static_cast<int>(params.size()))
        throw EDatabaseError(std::string(what) + " on the " + server_ + ": the statement takes " + std::to_string(expected) +
                             " values, " + std::to_string(params.size()) + " were given");
    const std::size_t n = params.size();
    std::vector<std::string> numbers(n);
    std::vector<const char*> values(n, nullptr);
    std::vector<int> lengths(n, 0), formats(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const Value& v = params[i];
        switch (v.kind()) {
        case StorageClass::Null: break;
        case StorageClass::Integer:
            numbers[i] = std::to_string(v.integer());
            values[i] = numbers[i].c_str();
            break;
        case StorageClass::Float: {
            char buf[32];
            const auto res = std::to_chars(buf, buf + sizeof buf, v.real());
            numbers[i].assign(buf, res.ptr);
            values[i] = numbers[i].c_str();
            break;
        }
        case StorageClass::Text:
            // A server's text holds no NUL: it would cut the value short.
            if (v.bytes().find('\0') != std::string::npos)
                throw EDatabaseError(std::string(what) + " on the " + server_ + ": a text value holds a NUL character");
            values[i] = v.bytes().c_str();
            break;
        case StorageClass::Blob:
            values[i] = v.bytes().data();
            lengths[i] = static_cast<int>(v.bytes().size());
            formats[i] = 1;
            break;
        }
    }
    PGresult* r = PQexecParams(conn_, text.c_str(), static_cast<int>(n), nullptr, values.data(), lengths.data(), formats.data(), 0);
    switch (PQresultStatus(r)) {
    case PGRES_TUPLES_OK:
    case PGRES_COMMAND_OK: break;
    case PGRES_EMPTY_QUERY: PQclear(r); return nullptr;
    default: fail(r, what);
    }
    return std::make_unique<PgResult>(r, describe(r));
}

void PgConnection::runScript(std::string_view sql, std::string_view what)
{
    if (!alive()) throw EConnectionLost(std::string(what) + ": the connection to the " + server_ + " was lost");
    if (readOnly_ && conn_) keepReadOnly(what);
    const std::string text(sql);
    PGresult* r = PQexec(conn_, text.c_str());
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && s != PGRES_EMPTY_QUERY) fail(r, what);
    // COMMIT of a transaction the server had aborted answers ROLLBACK.
    const bool rolledBack = s == PGRES_COMMAND_OK && std::strcmp(PQcmdStatus(r), "ROLLBACK") == 0 && SameText(Trim(text), "COMMIT");
    PQclear(r);
    if (rolledBack) throw EDatabaseError(std::string(what) + " on the " + server_ + ": the server rolled the transaction back");
}

}  // namespace db
