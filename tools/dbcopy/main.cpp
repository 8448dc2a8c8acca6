// dbcopy FROM TO
//
// Copies the program's database FROM (a dorvak.db file or a connection
// text of a PostgreSQL server) into TO, which must be empty (a file that
// does not exist yet, or a database without tables): the program's tables
// are made there and every row goes over with its id, in one transaction.
// Then the row count of every table on both sides is printed. Exit codes:
// 0 copied, 1 refused or failed (TO is left as it was), 2 wrong command line.
#include <cstdio>
#include <string>
#include <vector>

#include "DATAMSchema.h"
#include "Database.h"

namespace {

int usage()
{
    std::fputs("usage: dbcopy FROM TO\n", stderr);
    return 2;
}

int refuse(const std::string& why)
{
    std::fprintf(stderr, "dbcopy: %s\n", why.c_str());
    return 1;
}

// The columns copied: the table's own, and for a table without an id the
// row number that orders its rows and that rows are updated by.
std::string columnsOf(const db::TableDef& t)
{
    std::string cols = t.hasId() ? "" : std::string(db::kRowIdColumn);
    for (const db::ColumnDef& c : t.columns) cols += (cols.empty() ? "" : ", ") + c.name;
    return cols;
}

int64_t rowCount(db::Database& d, const std::string& table) { return d.scalar("SELECT COUNT(*) FROM " + table).asInt64(); }

void copyTable(db::Database& from, db::Database& to, const db::TableDef& t)
{
    const std::string cols = columnsOf(t);
    const std::size_t width = t.columns.size() + (t.hasId() ? 0 : 1);
    db::Statement rows(from, "SELECT " + cols + " FROM " + t.name + " ORDER BY " + (t.hasId() ? "id" : db::kRowIdColumn), {});
    // Many rows a statement; both engines take some 30,000 values in one.
    const std::size_t perStatement = std::max<std::size_t>(1, 30000 / width);
    std::string marks = "(" + std::string(width * 2 - 1, ',') + ")";
    for (std::size_t i = 0; i < width; ++i) marks[1 + 2 * i] = '?';
    db::Params batch;
    std::size_t inBatch = 0;
    auto flush = [&] {
        if (inBatch == 0) return;
        std::string sql = "INSERT INTO " + t.name + " (" + cols + ") VALUES ";
        for (std::size_t r = 0; r < inBatch; ++r) sql += (r ? "," : "") + marks;
        to.execute(sql, batch);
        batch.clear();
        inBatch = 0;
    };
    while (rows.step()) {
        for (std::size_t i = 0; i < width; ++i) batch.push_back(rows.column(static_cast<int>(i)));
        if (++inBatch == perStatement) flush();
    }
    flush();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || !*argv[1] || !*argv[2]) return usage();
    const std::string fromName = argv[1], toName = argv[2];
    if (fromName == toName) return refuse("FROM and TO are the same database");
    const db::Schema& schema = app::OrderDatabaseSchema();
    db::Database from, to;
    try {
        from.open(fromName, db::Database::OpenMode::ReadOnly);
        if (!from.tableExists("zq_dd") || from.userVersion() != app::kOrderSchemaVersion)
            return refuse(from.displayName() + " is not the program's database (version " + std::to_string(from.userVersion()) + ")");
    } catch (const EDatabaseError& e) {
        return refuse(e.message());
    }
    const bool newFile = !db::IsServerConnection(toName) && db::SniffFile(toName) == db::FileKind::Missing;
    try {
        to.open(toName, newFile ? db::Database::OpenMode::ReadWriteCreate : db::Database::OpenMode::ReadWrite);
        if (const auto tables = to.tableNames(); !tables.empty())
            return refuse(to.displayName() + " is not empty (it has the table " + tables.front() + " and " + std::to_string(tables.size() - 1) +
                          " more): refused, nothing was copied");
        // What FROM holds at one moment, all of it.
        db::Transaction reading(from, db::Transaction::Kind::Read);
        db::Transaction writing(to);
        to.createSchema(schema);
        to.setUserVersion(app::kOrderSchemaVersion);
        for (const db::TableDef& t : schema.tables) {
            try {
                copyTable(from, to, t);
            } catch (const EDatabaseError& e) {
                throw EDatabaseError("table " + t.name + ": " + e.message());
            }
        }
        to.resetIdSequences(schema);
        std::vector<std::pair<int64_t, int64_t>> counts;
        for (const db::TableDef& t : schema.tables) counts.emplace_back(rowCount(from, t.name), rowCount(to, t.name));
        writing.commit();
        reading.commit();

        std::printf("%-12s %10s %10s\n", "table", "from", "to");
        bool same = true;
        for (std::size_t i = 0; i < schema.tables.size(); ++i) {
            std::printf("%-12s %10lld %10lld\n", schema.tables[i].name.c_str(), static_cast<long long>(counts[i].first),
                        static_cast<long long>(counts[i].second));
            same = same && counts[i].first == counts[i].second;
        }
        for (const std::string& other : from.tableNames())
            if (!schema.find(other)) std::printf("%-12s %10lld %10s  (not the program's: not copied)\n", other.c_str(),
                                                 static_cast<long long>(rowCount(from, other)), "-");
        if (std::fflush(stdout) != 0) return refuse("cannot write the counts");
        return same ? 0 : refuse("the row counts differ");
    } catch (const EDatabaseError& e) {
        to.close();
        // A file made here and left without tables goes again.
        if (newFile) std::remove(toName.c_str());
        return refuse("nothing was copied into " + toName + ": " + e.message());
    }
}
