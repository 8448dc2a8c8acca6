#pragma once
// Tables and indexes described once, written out in each engine's own
// words by Database::createSchema.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db {

enum class ColumnKind {
    Id,          // the record number the database gives
    Text,        // compared as stored
    NoCaseText,  // compared and sorted ignoring the case of letters
};

struct ColumnDef {
    ColumnDef(std::string name_, ColumnKind kind_ = ColumnKind::Text, std::optional<std::string> defaultText_ = {},
              bool defaultLocalTime_ = false)
        : name(std::move(name_)), kind(kind_), defaultText(std::move(defaultText_)), defaultLocalTime(defaultLocalTime_)
    {
    }
    std::string name;
    ColumnKind kind = ColumnKind::Text;
    std::optional<std::string> defaultText;  // a fixed default
    bool defaultLocalTime = false;           // "yyyy-mm-dd hh:nn:ss" of the moment of insert
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;
    bool hasId() const;
};

struct IndexDef {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    bool unique = false;
};

struct Schema {
    std::vector<TableDef> tables;
    std::vector<IndexDef> indexes;
    const TableDef* find(std::string_view table) const;
};

// Tables without an id column: the key by which a row is updated after it
// was read is "rowid", the engine's own row number in SQLite and a column
// of that name on a server.
inline constexpr const char* kRowIdColumn = "rowid";

}  // namespace db
