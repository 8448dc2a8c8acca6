#pragma once
// The query class: SQL text plus bound values, a static cursor (every row is
// fetched when the query opens), fields by name ignoring case, bookmarks and
// after-open / before-close handlers. The application's reads and the
// report datasets walk it alike.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Database.h"
#include "RowStore.h"

namespace db {

// A column's type as its declaration gives it (SQLite's affinity rules plus
// BOOL/BIT, DATE/TIME, MEMO/LONGTEXT/CLOB and NUMERIC/DECIMAL/CURRENCY
// names); expression columns take the kind of their first non-Null value.
enum class FieldType : uint8_t { Unknown, String, Integer, Float, Boolean, DateTime, Blob, Memo, Bcd };

FieldType FieldTypeFromDecl(std::string_view declType);
const char* FieldTypeName(FieldType t);

struct FieldDef {
    std::string name;
    std::string declType;  // as declared, "" for expressions
    FieldType type = FieldType::Unknown;
    int size = 0;          // the number in "VARCHAR(50)", else 0
};

class Query;

// Told when a query has opened, is about to close, or goes away. Any number
// of users (report datasets sharing one query) subscribe and unsubscribe
// on their own, so none can leave another's handler behind.
class QueryObserver {
public:
    virtual ~QueryObserver() = default;
    virtual void queryOpened(Query&) {}
    virtual void queryClosing(Query&) {}
    virtual void queryDestroyed(Query&) {}
};

// A field of the open query; reads the current row.
class Field {
public:
    const std::string& name() const noexcept { return def().name; }
    const std::string& declaredType() const noexcept { return def().declType; }
    FieldType dataType() const noexcept { return def().type; }
    int size() const noexcept { return def().size; }
    int index() const noexcept { return index_; }

    const Value& value() const;
    bool isNull() const { return value().isNull(); }
    std::string asString() const { return value().asText(); }  // Null gives ""
    int64_t asInt64() const { return value().asInt64(); }
    double asFloat() const { return value().asDouble(); }

private:
    friend class Query;
    Field(const Query* q, int index) : query_(q), index_(index) {}
    const FieldDef& def() const noexcept;
    const Query* query_;
    int index_;
};

class Query {
public:
    using Handler = std::function<void(Query&)>;
    using Bookmark = std::size_t;  // 0 is no bookmark

    explicit Query(Database& db, std::string name = {});
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Database& database() const noexcept { return *db_; }
    const std::string& name() const noexcept { return name_; }

    // Changing the text or the values closes the query.
    void setSql(std::string sql, Params params = {});
    void setParams(Params params);
    const std::string& sql() const noexcept { return sql_; }
    const Params& params() const noexcept { return params_; }

    // Runs the statement and fetches every row; the cursor stands on the
    // first. An empty text yields an open query without rows or fields.
    void open();
    void close();
    bool active() const noexcept { return active_; }
    // Runs a statement that returns no rows; returns the rows changed.
    int64_t execSql();

    // Static cursor. Eof is set by Next on the last row (and on an empty
    // result), Bof by First and by Prior on the first row.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const noexcept { return eof_; }
    bool bof() const noexcept { return bof_; }
    bool isEmpty() const noexcept { return rows_.rowCount() == 0; }
    // 1-based number of the current row; 0 when there is none.
    int64_t recNo() const noexcept;
    // Moves to a 1-based row number (clamped into the rows).
    void setRecNo(int64_t recNo);
    int64_t recordCount() const noexcept { return static_cast<int64_t>(rows_.rowCount()); }

    Bookmark getBookmark() const noexcept;
    bool bookmarkValid(Bookmark b) const noexcept { return active_ && b >= 1 && b <= rows_.rowCount(); }
    // An invalid bookmark raises EDatabaseError.
    void gotoBookmark(Bookmark b);

    int fieldCount() const noexcept { return static_cast<int>(defs_.size()); }
    const FieldDef& fieldDef(int i) const { return defs_.at(static_cast<std::size_t>(i)); }
    Field field(int i) const;
    // By name, ignoring (ASCII) case. findField answers -1 when missing;
    // fieldByName raises EDatabaseError "Field 'x' not found".
    int findField(std::string_view name) const noexcept;
    Field fieldByName(std::string_view name) const;
    std::vector<std::string> fieldNames() const;
    // The bytes the fetched rows take.
    std::size_t heldBytes() const noexcept { return rows_.heldBytes(); }
    // The value of a field in the current row; Null past the rows. The
    // reference holds the field's value until the cursor moves. Reading
    // decodes into the query itself: one thread reads a query at a time.
    const Value& value(int fieldIndex) const;
    const Value& value(std::string_view fieldName) const { return value(fieldByName(fieldName).index()); }

    // One handler each, so a user (the report dataset) can keep the
    // previous one and chain to it, then put it back.
    void setAfterOpen(Handler h) { afterOpen_ = std::move(h); }
    void setBeforeClose(Handler h) { beforeClose_ = std::move(h); }
    const Handler& afterOpen() const noexcept { return afterOpen_; }
    const Handler& beforeClose() const noexcept { return beforeClose_; }
    // Observers hear after the handler, in the order they subscribed; a
    // second subscription of the same observer is ignored.
    void subscribe(QueryObserver* observer);
    void unsubscribe(QueryObserver* observer) noexcept;

private:
    friend class Field;
    void checkActive() const
    {
        if (!active_) [[unlikely]] failClosed();
    }
    [[noreturn]] void failClosed() const;
    void notify(void (QueryObserver::*event)(Query&));

    Database* db_;
    std::string name_;
    std::string sql_;
    Params params_;
    bool active_ = false;
    std::vector<FieldDef> defs_;
    RowStore rows_;
    std::size_t cur_ = 0;
    // The fields of the current row are decoded when read, each once per
    // row: `current_[i]` holds field i of row `decodedRow_[i]`, and
    // `fieldAt_` where the fields of row `scanRow_` start.
    static constexpr std::size_t kNoRow = SIZE_MAX;
    mutable std::vector<Value> current_;
    mutable std::vector<std::size_t> decodedRow_;
    mutable std::vector<const char*> fieldAt_;
    mutable std::size_t scanRow_ = kNoRow;
    bool eof_ = true;
    bool bof_ = true;
    Handler afterOpen_;
    Handler beforeClose_;
    std::vector<QueryObserver*> observers_;
};

}  // namespace db
