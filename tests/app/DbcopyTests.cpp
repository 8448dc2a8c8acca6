// dbcopy moves an office's database from its file to a server and back:
// every row with its id, in one transaction, only into an empty target.
#include "ServerFixture.h"

namespace {

class Dbcopy : public ServerFixture {
protected:
    std::string file(const char* name = "dorvak.db") const { return path(name).toStdString(); }

    static ProcessRun dbcopy(const QStringList& args) { return runProcess(DBCOPY_PATH, args); }
    static ProcessRun dbcopy(const std::string& from, const std::string& to)
    {
        return dbcopy({QString::fromStdString(from), QString::fromStdString(to)});
    }

    // A file as an office has it after a while: users, catalogue, orders
    // with lines, a waybill layout, the company, and a line of text with
    // quotes, a NUL-free control character and Unicode.
    void seedOffice()
    {
        seed({{"INSERT INTO zq_yhm(yhm, mm, mac, qx, bm) VALUES('admin', 'x', '00-1A', '2', '仓库'), ('clerk', 'y', NULL, NULL, NULL)", {}},
              {"INSERT INTO zq_km(km) VALUES('北区'), ('南区')", {}},
              {"INSERT INTO zq_leibie(leibie) VALUES('牛奶')", {}},
              {"INSERT INTO zq_cpm(cpm, leibie) VALUES('鲜奶', '牛奶')", {}},
              {"INSERT INTO zq_cpgg(cpgg, cpm, leibie, dw, jg) VALUES('250ml', '鲜奶', '牛奶', '瓶', '3')", {}},
              {"INSERT INTO config(khmc, dz) VALUES('特瓦克物流', '深圳')", {}},
              {"INSERT INTO zq_kd(kdmc, jjrx) VALUES('顺丰', '1.5')", {}}});
        TDM dm;
        dm.Connect();
        db::Transaction t(dm.ADOCn);
        for (int i = 1; i <= 120; ++i) {
            const std::string bh = "ZEZO-" + std::to_string(1000 + i);
            dm.Write("INSERT INTO zq_dd(bh, khmc, bz, zsl) VALUES(?, ?, ?, '2')", {bh, "客户 'O\"Brien' " + std::to_string(i), "tab\there"});
            dm.Write("INSERT INTO zq_ddmx(ddid, bh, cp, dj, sl) VALUES(?, ?, '鲜奶', '3', '1'), (?, ?, '鲜奶', '3', '1')",
                     {std::to_string(i), bh, std::to_string(i), bh});
        }
        // Gaps in the ids, as deleted rows leave them.
        dm.Write("DELETE FROM zq_dd WHERE id IN (3, 50)");
        dm.Write("DELETE FROM zq_ddmx WHERE bh IN ('ZEZO-1003', 'ZEZO-1050')");
        t.commit();
    }

    // Every stored value with its id, table by table.
    static std::string contents(const std::string& target)
    {
        db::Database d(target, db::Database::OpenMode::ReadOnly);
        std::string out;
        for (const db::TableDef& t : app::OrderDatabaseSchema().tables) {
            std::string cols = t.hasId() ? "" : "rowid";
            for (const db::ColumnDef& c : t.columns) cols += (cols.empty() ? "" : ", ") + c.name;
            db::Statement st(d, "SELECT " + cols + " FROM " + t.name + " ORDER BY " + (t.hasId() ? "id" : "rowid"), {});
            out += "== " + t.name + "\n";
            while (st.step()) {
                for (int i = 0; i < st.columnCount(); ++i) out += (i ? "|" : "") + (st.column(i).isNull() ? "<null>" : st.column(i).asText());
                out += "\n";
            }
        }
        return out;
    }
};

}  // namespace

TEST_F(Dbcopy, AFileGoesToAServerAndBackWithEveryRow)
{
    seedOffice();
    const std::string original = contents(file());
    const ProcessRun up = dbcopy(file(), server->connection());
    ASSERT_EQ(up.code, 0) << up.err;
    EXPECT_EQ(contents(server->connection()), original);
    // Both sides counted, every table.
    EXPECT_NE(up.out.find("zq_dd               118        118"), std::string::npos) << up.out;
    EXPECT_NE(up.out.find("zq_ddmx             236        236"), std::string::npos) << up.out;
    EXPECT_NE(up.out.find("zq_zk                 3          3"), std::string::npos) << up.out;

    // The program goes on there: new rows take the ids after the copied ones.
    useServer();
    start();
    DM->Write("INSERT INTO zq_dd(bh) VALUES('NEW')");
    EXPECT_EQ(DM->ADOCn.lastInsertRowId(), 121);
    DM->Write("INSERT INTO config(khmc) VALUES('second')");
    EXPECT_EQ(DM->Read("SELECT rowid FROM config WHERE khmc='second'").value(0).asInt64(), 2);
    app::DestroyForms();

    const ProcessRun down = dbcopy(server->connection(), file("back.db"));
    ASSERT_EQ(down.code, 0) << down.err;
    db::Database back(file("back.db"), db::Database::OpenMode::ReadWrite);
    back.execute("DELETE FROM zq_dd WHERE bh='NEW'");
    back.execute("DELETE FROM config WHERE khmc='second'");
    back.close();
    EXPECT_EQ(contents(file("back.db")), original);
    EXPECT_EQ(db::Database(file("back.db"), db::Database::OpenMode::ReadOnly).userVersion(), app::kOrderSchemaVersion);
}

TEST_F(Dbcopy, ATargetThatIsNotEmptyIsRefusedAndLeftAlone)
{
    seedOffice();
    db::Database(server->connection(), db::Database::OpenMode::ReadWrite).executeScript("CREATE TABLE notes (x TEXT); INSERT INTO notes VALUES ('keep')");
    const ProcessRun c = dbcopy(file(), server->connection());
    EXPECT_EQ(c.code, 1);
    EXPECT_NE(c.err.find("not empty"), std::string::npos) << c.err;
    db::Database look(server->connection(), db::Database::OpenMode::ReadOnly);
    EXPECT_EQ(look.tableNames(), std::vector<std::string>{"notes"});

    // A file of the program's is not a target either, nor the source itself.
    EXPECT_EQ(dbcopy(file(), file()).code, 1);
    const ProcessRun again = dbcopy(server->connection(), file());
    EXPECT_EQ(again.code, 1) << again.out;  // the server holds no order tables
    EXPECT_EQ(dbcopy({}).code, 2);
    const ProcessRun wrong = dbcopy({QStringLiteral("only-one")});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_EQ(wrong.err, "usage: dbcopy FROM TO\n");
}

// A row the server cannot take (text that is no UTF-8) stops the copy:
// nothing of it stays on the server.
TEST_F(Dbcopy, AFailedCopyLeavesTheTargetEmpty)
{
    seedOffice();
    {
        db::Database f(file(), db::Database::OpenMode::ReadWrite);
        f.execute("UPDATE zq_dd SET bz = CAST(X'C3' AS TEXT) WHERE id = 100");
    }
    const ProcessRun c = dbcopy(file(), server->connection());
    EXPECT_EQ(c.code, 1);
    EXPECT_NE(c.err.find("zq_dd"), std::string::npos) << c.err;
    EXPECT_TRUE(db::Database(server->connection(), db::Database::OpenMode::ReadOnly).tableNames().empty());
    // Into a new file the same text goes as it is, and a failure there
    // leaves no file behind.
    EXPECT_EQ(dbcopy(file(), file("copy.db")).code, 0);
    EXPECT_EQ(dbcopy(path("missing.db").toStdString(), file("none.db")).code, 1);
    EXPECT_FALSE(QFile::exists(path("none.db")));
}
