// The developer tools' datasets on the program's SQLite file and on a
// PostgreSQL server: the same report computes and prepares the same, and a
// dataset can change nothing on either.
#include <QFile>

#include <fstream>
#include <sstream>

#include "ServerFixture.h"

namespace {

const char* const kOrder = "ZEZO-2026-12-06-093000";

class ToolsOnServer : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (IsSkipped()) return;
        std::ifstream in(ORDERS_FIXTURE);
        std::stringstream sql;
        sql << in.rdbuf();
        const std::string rows = sql.str().substr(sql.str().find("INSERT INTO"));
        // The program's own tables on both, with the report fixture's rows.
        for (const std::string& target : {file(), server->connection()}) {
            setenv("DORVAK_DB", target.c_str(), 1);
            TDM dm;
            dm.Connect();
            dm.ADOCn.executeScript(rows);
        }
        unsetenv("DORVAK_DB");
    }
    std::string file() const { return path("dorvak.db").toStdString(); }

    static ProcessRun tool(const char* program, const QStringList& args) { return runProcess(program, args); }
    static QStringList orderSheet(const std::string& db)
    {
        return {QStringLiteral(ORDER_SHEET), QStringLiteral("--db"), QString::fromStdString(db), QStringLiteral("--dataset"),
                QStringLiteral("rpDBDataset1=select * from zq_dd where bh='%1'").arg(kOrder), QStringLiteral("--dataset"),
                QStringLiteral("rpDBDataset2=select * from zq_ddmx where bh='%1' order by id").arg(kOrder)};
    }
};

}  // namespace

TEST_F(ToolsOnServer, AReportComputesAndPreparesTheSameOnBoth)
{
    const ProcessRun fileMemos = tool(RPCALC_PATH, orderSheet(file()) << QStringLiteral("--memos"));
    const ProcessRun serverMemos = tool(RPCALC_PATH, orderSheet(server->connection()) << QStringLiteral("--memos"));
    EXPECT_EQ(fileMemos.code, 0) << fileMemos.err;
    EXPECT_EQ(serverMemos.code, 0) << serverMemos.err;
    EXPECT_EQ(serverMemos.out, fileMemos.out);
    // The total with the extra charge, from the order's texts.
    EXPECT_NE(fileMemos.out.find("Memo5\t47.5"), std::string::npos) << fileMemos.out;

    const ProcessRun filePages = tool(RPPREPARE_PATH, orderSheet(file()));
    const ProcessRun serverPages = tool(RPPREPARE_PATH, orderSheet(server->connection()));
    EXPECT_EQ(filePages.code, 0) << filePages.err;
    EXPECT_EQ(serverPages.out, filePages.out);
    EXPECT_NE(filePages.out.find("垫片"), std::string::npos) << filePages.out;

}

// A dataset's statement is run on a connection that only reads: neither a
// write nor a copy of the database made with VACUUM INTO or ATTACH gets
// through.
TEST_F(ToolsOnServer, ADatasetChangesNothing)
{
    const QString copy = path("copy.db");
    for (const std::string& db : {file(), server->connection()}) {
        QStringList statements = {QStringLiteral("D=DELETE FROM zq_dd"), QStringLiteral("D=UPDATE zq_dd SET khmc='x' RETURNING id"),
                                  QStringLiteral("D=DROP TABLE zq_ddmx")};
        if (db == file())
            statements << QStringLiteral("D=VACUUM INTO '%1'").arg(copy) << QStringLiteral("D=ATTACH '%1' AS c").arg(copy);
        for (const QString& statement : statements) {
            const ProcessRun r = tool(RPCALC_PATH, {QStringLiteral(ORDER_SHEET), QStringLiteral("--db"), QString::fromStdString(db),
                                             QStringLiteral("--dataset"), statement, QStringLiteral("--memos")});
            EXPECT_EQ(r.code, 1) << statement.toStdString() << "\n" << r.err;
            EXPECT_FALSE(QFile::exists(copy)) << statement.toStdString();
        }
        db::Database look(db, db::Database::OpenMode::ReadOnly);
        EXPECT_EQ(look.scalar("SELECT COUNT(*) FROM zq_dd").asInt64(), 2) << db;
        EXPECT_EQ(look.scalar("SELECT COUNT(*) FROM zq_dd WHERE khmc='x'").asInt64(), 0) << db;
        EXPECT_TRUE(look.tableExists("zq_ddmx")) << db;
    }
}
