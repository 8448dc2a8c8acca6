#include "Query.h"

#include <algorithm>

#include "SysUtils.h"

namespace db {

namespace {

bool contains(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

const Value& nullValue()
{
    static const Value v{};
    return v;
}

}  // namespace

FieldType FieldTypeFromDecl(std::string_view declType)
{
    const std::string t = UpperCase(declType);
    if (t.empty()) return FieldType::Unknown;
    // SQLite's affinity order first; BOOL and DATE/TIME names are ours.
    if (contains(t, "BOOL") || t == "BIT") return FieldType::Boolean;
    if (contains(t, "INT")) return FieldType::Integer;
    if (contains(t, "MEMO") || contains(t, "LONGTEXT") || contains(t, "CLOB")) return FieldType::Memo;
    if (contains(t, "CHAR") || contains(t, "TEXT")) return FieldType::String;
    if (contains(t, "BLOB")) return FieldType::Blob;
    if (contains(t, "DATE") || contains(t, "TIME")) return FieldType::DateTime;
    if (contains(t, "NUMERIC") || contains(t, "DECIMAL") || contains(t, "CURRENCY") || contains(t, "MONEY"))
        return FieldType::Bcd;
    return FieldType::Float;  // REAL, FLOAT, DOUBLE...
}

const char* FieldTypeName(FieldType t)
{
    switch (t) {
    case FieldType::String: return "String";
    case FieldType::Integer: return "Integer";
    case FieldType::Float: return "Float";
    case FieldType::Boolean: return "Boolean";
    case FieldType::DateTime: return "DateTime";
    case FieldType::Blob: return "Blob";
    case FieldType::Memo: return "Memo";
    case FieldType::Bcd: return "BCD";
    default: return "Unknown";
    }
}

namespace {

int declaredSize(const std::string& decl)
{
    const auto open = decl.find('(');
    if (open == std::string::npos) return 0;
    int v = 0;
    for (std::size_t i = open + 1; i < decl.size() && decl[i] >= '0' && decl[i] <= '9'; ++i) v = v * 10 + (decl[i] - '0');
    return v;
}

FieldType typeOfKind(StorageClass kind)
{
    switch (kind) {
    case StorageClass::Integer: return FieldType::Integer;
    case StorageClass::Float: return FieldType::Float;
    case StorageClass::Blob: return FieldType::Blob;
    default: return FieldType::String;
    }
}

}  // namespace

// ---- Field

const FieldDef& Field::def() const noexcept { return query_->defs_[static_cast<std::size_t>(index_)]; }

const Value& Field::value() const { return query_->value(index_); }

// ---- Query

Query::Query(Database& db, std::string name) : db_(&db), name_(std::move(name)) {}

Query::~Query()
{
    // Handlers may refer to objects already gone; a destroyed query closes
    // quietly. Observers are alive (they unsubscribe when they go).
    beforeClose_ = nullptr;
    active_ = false;
    notify(&QueryObserver::queryDestroyed);
}

void Query::subscribe(QueryObserver* observer)
{
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void Query::unsubscribe(QueryObserver* observer) noexcept
{
    std::erase(observers_, observer);
}

void Query::notify(void (QueryObserver::*event)(Query&))
{
    // An observer may unsubscribe itself or another one while it is told.
    const auto observers = observers_;
    for (QueryObserver* o : observers)
        if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) (o->*event)(*this);
}

void Query::setSql(std::string sql, Params params)
{
    close();
    sql_ = std::move(sql);
    params_ = std::move(params);
}

void Query::setParams(Params params)
{
    close();
    params_ = std::move(params);
}

void Query::open()
{
    if (active_) return;
    std::vector<FieldDef> defs;
    RowStore rows;
    {
        Statement st(*db_, sql_, params_);
        const int n = st.columnCount();
        defs.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            auto& d = defs[static_cast<std::size_t>(i)];
            d.name = st.columnName(i);
            d.declType = st.columnDeclType(i);
            d.type = FieldTypeFromDecl(d.declType);
            d.size = declaredSize(d.declType);
        }
        while (st.step()) rows.appendRow(st);
    }
    rows.finish();
    // Expression columns have no declaration: their first value tells.
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].type != FieldType::Unknown || !defs[i].declType.empty()) continue;
        defs[i].type = FieldType::String;
        for (std::size_t r = 0; r < rows.rowCount(); ++r) {
            const char* p = rows.row(r);
            for (std::size_t k = 0; k < i; ++k) p = RowStore::next(p);
            if (const StorageClass kind = RowStore::kind(p); kind != StorageClass::Null) {
                defs[i].type = typeOfKind(kind);
                break;
            }
        }
    }
    const std::size_t n = defs.size();
    defs_ = std::move(defs);
    rows_ = std::move(rows);
    current_.assign(n, Value());
    decodedRow_.assign(n, kNoRow);
    fieldAt_.assign(n, nullptr);
    scanRow_ = kNoRow;
    active_ = true;
    cur_ = 0;
    bof_ = true;
    eof_ = rows_.rowCount() == 0;
    if (afterOpen_) afterOpen_(*this);
    notify(&QueryObserver::queryOpened);
}

void Query::close()
{
    if (!active_) return;
    if (beforeClose_) beforeClose_(*this);
    notify(&QueryObserver::queryClosing);
    active_ = false;
    defs_.clear();
    rows_.clear();
    current_ = {};
    decodedRow_ = {};
    fieldAt_ = {};
    scanRow_ = kNoRow;
    cur_ = 0;
    eof_ = bof_ = true;
}

int64_t Query::execSql()
{
    close();
    return db_->execute(sql_, params_);
}

void Query::failClosed() const
{
    throw EDatabaseError((name_.empty() ? std::string("Query") : name_) + ": Cannot perform this operation on a closed dataset");
}

void Query::first()
{
    checkActive();
    cur_ = 0;
    bof_ = true;
    eof_ = rows_.rowCount() == 0;
}

void Query::next()
{
    checkActive();
    if (cur_ + 1 < rows_.rowCount()) {
        ++cur_;
        bof_ = false;
        eof_ = false;
    } else {
        eof_ = true;
    }
}

void Query::prior()
{
    checkActive();
    if (cur_ > 0) {
        --cur_;
        bof_ = false;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void Query::last()
{
    checkActive();
    cur_ = rows_.rowCount() == 0 ? 0 : rows_.rowCount() - 1;
    eof_ = true;
    bof_ = rows_.rowCount() == 0;
}

int64_t Query::recNo() const noexcept { return active_ && rows_.rowCount() != 0 ? static_cast<int64_t>(cur_) + 1 : 0; }

void Query::setRecNo(int64_t recNo)
{
    checkActive();
    if (rows_.rowCount() == 0) return;
    if (recNo < 1) recNo = 1;
    if (recNo > recordCount()) recNo = recordCount();
    cur_ = static_cast<std::size_t>(recNo - 1);
    bof_ = eof_ = false;
}

Query::Bookmark Query::getBookmark() const noexcept { return active_ && rows_.rowCount() != 0 ? cur_ + 1 : 0; }

void Query::gotoBookmark(Bookmark b)
{
    checkActive();
    if (!bookmarkValid(b)) throw EDatabaseError("Record not found");
    cur_ = b - 1;
    bof_ = eof_ = false;
}

Field Query::field(int i) const
{
    checkActive();
    if (i < 0 || i >= fieldCount()) throw EDatabaseError("Field index out of range");
    return Field(this, i);
}

int Query::findField(std::string_view name) const noexcept
{
    for (std::size_t i = 0; i < defs_.size(); ++i)
        if (SameText(defs_[i].name, name)) return static_cast<int>(i);
    return -1;
}

Field Query::fieldByName(std::string_view name) const
{
    checkActive();
    const int i = findField(name);
    if (i < 0) throw EDatabaseError((name_.empty() ? std::string("Query") : name_) + ": Field '" + std::string(name) + "' not found");
    return Field(this, i);
}

std::vector<std::string> Query::fieldNames() const
{
    std::vector<std::string> out;
    for (const auto& d : defs_) out.push_back(d.name);
    return out;
}

const Value& Query::value(int fieldIndex) const
{
    checkActive();
    if (fieldIndex < 0 || fieldIndex >= fieldCount()) throw EDatabaseError("Field index out of range");
    if (rows_.rowCount() == 0) return nullValue();
    const auto i = static_cast<std::size_t>(fieldIndex);
    Value& v = current_[i];
    if (decodedRow_[i] == cur_) return v;
    if (scanRow_ != cur_) {
        // Where each field of the row starts, in one pass.
        scanRow_ = cur_;
        const char* p = rows_.row(cur_);
        for (const char*& at : fieldAt_) {
            at = p;
            p = RowStore::next(p);
        }
    }
    RowStore::decode(fieldAt_[i], v);
    decodedRow_[i] = cur_;
    return v;
}

}  // namespace db
