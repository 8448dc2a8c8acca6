// rpcalc as a user runs it: the order sheet's text objects for one order,
// expressions on the command line, and what it refuses.
#include <gtest/gtest.h>

#include <QProcess>

#include "ObjectTestUtil.h"

using namespace object_test;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome rpcalc(const QStringList& args)
{
    QProcess p;
    p.start(RPCALC_PATH, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

QString report(const char* file)
{
    return QString(REPORT_SOURCE_ROOT) + "/resources/reports/" + file;
}

QString dataset(const char* name, const std::string& sql)
{
    return QString(name) + "=" + QString::fromStdString(sql);
}

}  // namespace

TEST(Rpcalc, PrintsEveryTextObjectOfTheOrderSheet)
{
    OrderFile file;
    const std::string bh = kFirstOrder;
    const Outcome r = rpcalc({report("order_sheet.xml"), "--db", QString::fromStdString(file.path), "--dataset",
                          dataset("rpDBDataset1", "select * from zq_dd where bh='" + bh + "'"), "--dataset",
                          dataset("rpDBDataset2", "select * from zq_ddmx where bh='" + bh + "'"), "--memos"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, readFile(testData("golden_rpcalc_order_sheet.txt")));
}

TEST(Rpcalc, ComputesExpressionsOnTheChosenRecord)
{
    OrderFile file;
    const Outcome r = rpcalc({report("waybill.xml"), "--db", QString::fromStdString(file.path), "--dataset",
                          dataset("rpDBDataset3", "select * from zq_dd order by id"), "--dataset",
                          dataset("rpDBDataset4", "select * from config"), "--record", "2",
                          "<rpDBDataset3.\"khmc\"> + ' ' + <rpDBDataset4.\"lxr\">", "rpDBDataset3.\"je\"", "1/0"});
    EXPECT_EQ(r.out, "北方五金 李四\n80\n");
    EXPECT_NE(r.err.find("Floating point division by zero"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 1);
}

TEST(Rpcalc, RefusesWhatItCannotDo)
{
    OrderFile file;
    const QString db = QString::fromStdString(file.path);
    const QStringList wrong[] = {
        {report("waybill.xml"), "--db", db, "--memos"},                                    // no dataset
        {report("waybill.xml"), "--db", db, "--dataset", "x=select 1", "--memos", "1+1"},  // both
        {report("waybill.xml"), "--db", db, "--dataset", "x=select 1", "--record", "0", "1"},
        {report("waybill.xml"), "--dataset", "x=select 1", "1"},                            // no file
    };
    for (const QStringList& args : wrong) {
        const Outcome r = rpcalc(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.rfind("usage: rpcalc REPORT.xml --db FILE --dataset NAME=SQL...", 0), 0u);
    }
    const Outcome missing = rpcalc({report("nosuch.xml"), "--db", db, "--dataset", "x=select 1", "1"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos) << missing.err;
    const Outcome badSql = rpcalc({report("waybill.xml"), "--db", db, "--dataset", "rpDBDataset4=select * from nosuch",
                               "rpDBDataset4.\"lxr\""});
    EXPECT_EQ(badSql.status, 1);
    EXPECT_NE(badSql.err.find("nosuch"), std::string::npos) << badSql.err;
}

TEST(Rpcalc, AScriptThatDoesNotCompileIsAFailure)
{
    OrderFile file;
    const std::string path = file.path + ".xml";
    {
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
               "<TrpReport ScriptText.Text=\"begin x := ; end.\"><TrpReportPage Name=\"Page1\"/></TrpReport>\n";
    }
    const Outcome r = rpcalc({QString::fromStdString(path), "--db", QString::fromStdString(file.path), "--dataset",
                              "x=select 1", "1+1"});
    std::filesystem::remove(path);
    EXPECT_EQ(r.out, "2\n") << "the expressions are computed all the same";
    EXPECT_NE(r.err.find("1:12: Expression expected"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 1);
}
