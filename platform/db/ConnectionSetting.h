#pragma once
// Where the program's data live: one setting for the program, the tools and
// the report datasets alike. DORVAK_DB in the environment, else
// "Connection=" under "[Database]" in dorvak.ini of the working folder,
// else the file dorvak.db there. A connection text names a PostgreSQL
// server ("postgresql://host/db" or "host=... dbname=..."); its password
// comes from the text or from ~/.pgpass, never from a file the program
// writes.

#include <string>

namespace db {

inline constexpr const char* kDefaultDatabaseFile = "dorvak.db";
inline constexpr const char* kSettingsFile = "dorvak.ini";
inline constexpr const char* kSettingVariable = "DORVAK_DB";

// The setting as it stands; `folder` is the working folder ("" for the
// current one). An ini file that cannot be read counts as absent.
std::string DatabaseSetting(const std::string& folder = {});

}  // namespace db
