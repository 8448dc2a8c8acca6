// The rpprint tool from the shell: its command line, its errors and what
// it prints.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

#include "PrinterTestSupport.h"
#include "CodePages.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpRes.h"
#include "rpReport.h"

namespace {

struct Result {
    int status = -1;
    std::string err;
};

// Runs rpprint with the arguments (each quoted); standard error kept. No
// print server: the tool prints to files through the virtual printer.
Result Rpprint(const std::vector<std::string>& args)
{
    std::string command = "CUPS_SERVER=/nonexistent/socket '" RPPRINT_PATH "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " 2>&1 >/dev/null";
    Result r;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.err.append(buf, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

// An .rpp of `count` pages of paper `paper`, "P1" ... on them.
std::string WriteRpp(const QTemporaryDir& dir, const char* name, int count, int32_t paper = 9)
{
    registerReportResources();
    TrpReport report;
    auto* page = new TrpReportPage(&report);
    page->SetName("Page1");
    page->LeftMargin = page->TopMargin = page->RightMargin = page->BottomMargin = 10;
    page->SetPaperSize(paper);
    auto* band = new TrpMasterData(page);
    band->SetName("Band1");
    band->SetBounds(0, 0, 300, 40);
    auto* memo = new TrpMemoView(band);
    memo->SetName("Text");
    memo->SetBounds(0, 5, 300, 30);
    TrpCustomPreviewPages& pages = *report.PreviewPages();
    pages.Initialize();
    pages.AddSourcePage(page);
    for (int i = 1; i <= count; ++i) {
        pages.AddPage(page);
        memo->SetText(Utf8ToUtf16("P" + IntToStr(i)));
        pages.AddObject(band);
    }
    pages.Finish();
    const std::string file = dir.filePath(name).toStdString();
    pages.SaveToFile(file);
    return file;
}

}  // namespace

TEST(Rpprint, WrongCommandLinesGiveTheUsage)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"a.rpp"},
        {"a.rpp", "--file", "o.pdf", "--printer", "Q"},
        {"a.rpp", "--file"},
        {"a.rpp", "b.rpp", "--file", "o.pdf"},
        {"a.rpp", "--file", "o.pdf", "--copies", "0"},
        {"a.rpp", "--file", "o.pdf", "--copies", "x"},
        {"a.rpp", "--file", "o.pdf", "--duplex", "4"},
        {"a.rpp", "--file", "o.pdf", "--odd", "--even"},
        {"a.rpp", "--file", "o.pdf", "--pages", "1,,2"},
        {"a.rpp", "--file", "o.pdf", "--mode", "split"},
        {"a.rpp", "--file", "o.pdf", "--sheet", "9"},
        {"a.rpp", "--file", "o.pdf", "--mode", "tile", "--sheet", "9"},
        {"a.rpp", "--file", "o.pdf", "--mode", "join", "--sheet", "48"},
        {"a.rpp", "--file", "o.pdf", "--db", "x.db", "--dataset", "A=select 1"},
        {"r.xml", "--file", "o.pdf", "--db", "x.db"},
        {"a.rpp", "--file", "o.pdf", "--colate"},
    };
    for (const auto& args : wrong) {
        const Result r = Rpprint(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("usage: rpprint (FILE.rpp | REPORT.xml", 0), 0u) << r.err;
    }
}

TEST(Rpprint, FilesThatCannotBeReadOrPrinted)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath("out.pdf").toStdString();
    Result r = Rpprint({dir.filePath("missing.rpp").toStdString(), "--file", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.rpp"), std::string::npos) << r.err;

    const std::string bad = dir.filePath("bad.rpp").toStdString();
    std::ofstream(bad) << "<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport><dictionary><b1 name=\"a.b\"/>";
    r = Rpprint({bad, "--file", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;

    const std::string three = WriteRpp(dir, "three.rpp", 3);
    r = Rpprint({three, "--file", out, "--pages", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("rpprint: no page to print\n"), std::string::npos) << r.err;
    r = Rpprint({three, "--printer", "NoSuchQueue"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("NoSuchQueue"), std::string::npos) << r.err;
    r = Rpprint({three, "--file", dir.filePath("no/such/folder/out.pdf").toStdString()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot create file"), std::string::npos) << r.err;
    EXPECT_EQ(PdfPageCount(out), -1) << "nothing written by the failures";
}

TEST(Rpprint, PrintsWithTheDialogsChoices)
{
    QTemporaryDir dir;
    const std::string three = WriteRpp(dir, "three.rpp", 3);
    const std::string out = dir.filePath("out.pdf").toStdString();
    Result r = Rpprint({three, "--file", out, "--copies", "2", "--collate", "--duplex", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PdfPageCount(out), 8);

    r = Rpprint({three, "--file", out, "--pages", "1-2", "--reverse", "--copies", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(PdfPageCount(out), 4);
    EXPECT_NE(PdfText(out, 1).find("P2"), std::string::npos);
    EXPECT_NE(PdfText(out, 3).find("P1"), std::string::npos);

    const std::string a5 = WriteRpp(dir, "a5.rpp", 4, 11);
    r = Rpprint({a5, "--file", out, "--mode", "join", "--sheet", "9", "--even"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PdfPageSizesMm(out), (std::vector<std::string>{"297x210"}));
}

TEST(Rpprint, PreparesAReportFileOrPrintsWhatRpprepareSaved)
{
    QTemporaryDir dir;
    const std::string report = PREVIEW_TEST_DATA "/fixtures/three_pages.xml";
    const std::string rpp = dir.filePath("three.rpp").toStdString();
    const std::string out = dir.filePath("out.pdf").toStdString();
    ASSERT_EQ(std::system(("'" RPPREPARE_PATH "' '" + report + "' --rpp '" + rpp + "' 2>/dev/null").c_str()), 0);
    for (const std::string& input : {rpp, report}) {
        const Result r = Rpprint({input, "--file", out, "--copies", "2", "--collate", "--duplex", "2"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(PdfPageCount(out), 8) << input;
        EXPECT_NE(PdfText(out, 3).find("row 5"), std::string::npos) << input;
    }

    // The order sheet from the program's tables: its Chinese texts come back
    // out of the PDF.
    const std::string db = dir.filePath("orders.db").toStdString();
    ASSERT_EQ(std::system(("sqlite3 '" + db + "' < '" REPORT_SOURCE_ROOT "/tests/report/fixtures/orders.sql'").c_str()), 0);
    Result r = Rpprint({REPORT_SOURCE_ROOT "/resources/reports/order_sheet.xml", "--db", db, "--dataset",
                        "rpDBDataset1=select * from zq_dd where id=1", "--dataset",
                        "rpDBDataset2=select * from zq_ddmx where ddid='1'", "--file", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = PdfText(out);
    for (const char* expected : {"华南贸易有限公司", "螺丝", "M6×20", "加急，下午送到"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    // A report that cannot be prepared (a dataset is missing) prints nothing.
    r = Rpprint({REPORT_SOURCE_ROOT "/resources/reports/order_sheet.xml", "--db", db, "--dataset",
                 "rpDBDataset1=select * from zq_dd", "--file", dir.filePath("none.pdf").toStdString()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("rpDBDataset2"), std::string::npos) << r.err;
    EXPECT_EQ(PdfPageCount(dir.filePath("none.pdf").toStdString()), -1);
}
