// previewshot run as the user runs it.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "PreparedTestUtil.h"

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

Result RunShot(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PREVIEWSHOT_PATH), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

const QString kUsage = QStringLiteral(
    "usage: previewshot (FILE.rpp | REPORT.xml [--db FILE --dataset NAME=SQL...]) --png OUT.png [--page N] "
    "[--zoom Z|pagewidth|wholepage] [--find TEXT] [--timeout SECONDS]\n");

}  // namespace

TEST(PreviewShot, WrongCommandLinesExitWithTwoAndTheUsage)
{
    const QStringList cases[] = {
        {},
        {"a.rpp"},
        {"a.rpp", "--png"},
        {"a.rpp", "--png", "o.png", "--zoom", "big"},
        {"a.rpp", "--png", "o.png", "--zoom", "0"},
        {"a.rpp", "--png", "o.png", "--page", "0"},
        {"a.rpp", "b.rpp", "--png", "o.png"},
        {"a.rpp", "--db", "x.db", "--dataset", "A=select 1", "--png", "o.png"},
        {"r.xml", "--db", "x.db", "--png", "o.png"},
        {"r.xml", "--dataset", "noequals", "--db", "x.db", "--png", "o.png"},
        {"a.rpp", "--png", "o.png", "--frobnicate"},
    };
    for (const QStringList& args : cases) {
        const Result r = RunShot(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err, kUsage) << args.join(' ').toStdString();
    }
}

TEST(PreviewShot, FilesThatCannotBeShownExitWithOne)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("out.png");
    QFile bad(dir.filePath("bad.rpp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<preparedreport><page0");
    bad.close();
    for (const QString& input : {dir.filePath("missing.rpp"), bad.fileName(), dir.filePath("missing.xml")}) {
        const Result r = RunShot({input, "--png", png});
        EXPECT_EQ(r.exitCode, 1) << input.toStdString();
        EXPECT_TRUE(r.err.contains("previewshot: ")) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(png));
    }
}

TEST(PreviewShot, ShowsAPreparedFileAtAPageAndZoomWithTheFoundText)
{
    QTemporaryDir dir;
    const QString rpp = dir.filePath("order.rpp"), png = dir.filePath("out.png");
    prepared_test::Sheet s;
    s.fill(3, 20);
    s.pages().SaveToFile(rpp.toStdString());
    const Result r = RunShot({rpp, "--png", png, "--page", "2", "--zoom", "pagewidth", "--find", "行 105"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage shot(png);
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(1280, 900));
    // The page at page width starts 10 pixels into the grey area.
    EXPECT_EQ(shot.pixelColor(4, 450), QColor(0x80, 0x80, 0x80));
    const Result absent = RunShot({rpp, "--png", png, "--find", "absent text"});
    EXPECT_EQ(absent.exitCode, 0);
    EXPECT_TRUE(absent.err.contains("Text not found")) << absent.err.toStdString();
}

TEST(PreviewShot, PreparesAReportAgainstTheDatabaseInsideTheWindow)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("sheet.png");
    order_lines::OrderFile file(engine_test::testData("fixtures/orders.sql"), 40);
    const QString report = QString::fromStdString(engine_test::orderSheet()), db = QString::fromStdString(file.path);
    const QString master = QString::fromStdString("rpDBDataset1=" + order_lines::masterSql());
    const QString detail = QString::fromStdString("rpDBDataset2=" + order_lines::detailSql());
    const Result r = RunShot({report, "--db", db, "--dataset", master, "--dataset", detail, "--png", png, "--page", "2",
                              "--zoom", "wholepage"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage shot(png);
    ASSERT_FALSE(shot.isNull());
    // The second of two pages, whole: ruled rows in black on white.
    int dark = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2)
            if (qGray(shot.pixel(x, y)) < 60) ++dark;
    EXPECT_GT(dark, 500);

    // A query that fails: its error, and no picture.
    QFile::remove(png);
    const Result bad = RunShot({report, "--db", db, "--dataset", "rpDBDataset1=select * from nosuch", "--dataset", detail,
                                "--png", png});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("no such table: nosuch")) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));
}
