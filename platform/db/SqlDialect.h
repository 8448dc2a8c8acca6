#pragma once
// The one place where SQL written for SQLite is changed for another engine.

#include <map>
#include <string>
#include <string_view>

namespace db::dialect {

// For a PostgreSQL server: "?" and "?N" become "$N"; "COLLATE NAME" of a
// collation in `collations` (keys in upper case) compares as the server's
// collation of that name, and BINARY by bytes. Quoted
// texts, quoted names and comments are left alone. `valueCount` is the
// highest value number used.
std::string ToServer(std::string_view sql, const std::map<std::string, std::string>& collations, int* valueCount = nullptr);

// For SQLite: a trailing "FOR UPDATE" goes (SQLite's write transaction
// already holds every row).
std::string_view ToSqlite(std::string_view sql);

}  // namespace db::dialect
