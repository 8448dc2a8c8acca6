// Printed pages compared with what they were when the print path recorded
// each page and played it into the PDF: the words and their boxes
// (pdftotext -bbox), the fonts and whether they are embedded (pdffonts),
// and every page's pixels (pdftoppm, grey, 100 dpi) as a digest. The
// references live in printed/; DORVAK_UPDATE_GOLDEN=1 writes them anew
// (with RPPRINT set, from that rpprint: another build's, say).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "Md5.h"
#include "OrderLines.h"
#include "PrinterTestSupport.h"
#include "SysUtils.h"

namespace {

const std::string kPrinted = std::string(PREVIEW_TEST_DATA) + "/printed/";

std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// What was printed, in the form the references keep.
struct Printed {
    std::string words;  // the <page> and <word> lines of pdftotext -bbox
    std::string pages;  // the fonts, then a digest line per page
};

Printed inspect(const std::string& pdf, const QTemporaryDir& dir)
{
    Printed p;
    std::istringstream bbox(CommandOutput("pdftotext -bbox " + quoted(pdf) + " - 2>/dev/null"));
    for (std::string line; std::getline(bbox, line);)
        if (line.find("<word") != std::string::npos || line.find("<page") != std::string::npos) p.words += line + "\n";
    std::istringstream fonts(CommandOutput("pdffonts " + quoted(pdf) + " 2>/dev/null"));
    std::string line;
    for (int skip = 0; skip < 2 && std::getline(fonts, line); ++skip) {
    }
    // Name, type, encoding, embedded and subset; not the object numbers.
    while (std::getline(fonts, line)) p.pages += "font " + Trim(line.substr(0, std::min<size_t>(line.size(), 88))) + "\n";
    const std::string root = dir.filePath(QStringLiteral("page")).toStdString();
    CommandOutput("pdftoppm -r 100 -gray " + quoted(pdf) + " " + quoted(root));
    for (int page = 1;; ++page) {
        std::string image;
        for (const int digits : {1, 2, 3}) {
            char name[16];
            std::snprintf(name, sizeof name, "-%0*d.pgm", digits, page);
            image = readFile(root + name);
            if (!image.empty()) break;
        }
        if (image.empty()) break;
        p.pages += "page " + IntToStr(page) + " " + MD5HexBytes(image) + "\n";
    }
    return p;
}

// Same lines, the numbers in them within a thousandth of a point (the last
// digit pdftotext prints moves with the rounding of a glyph's place).
::testing::AssertionResult sameWords(const std::string& expected, const std::string& actual)
{
    std::istringstream a(expected), b(actual);
    const std::regex number(R"(-?\d+\.\d+)");
    std::string x, y;
    for (int line = 1;; ++line) {
        const bool more = static_cast<bool>(std::getline(a, x)), other = static_cast<bool>(std::getline(b, y));
        if (!more && !other) return ::testing::AssertionSuccess();
        if (more != other) return ::testing::AssertionFailure() << "line " << line << ": one side ends";
        if (std::regex_replace(x, number, "#") != std::regex_replace(y, number, "#"))
            return ::testing::AssertionFailure() << "line " << line << ":\n  " << x << "\n  " << y;
        for (std::sregex_iterator i(x.begin(), x.end(), number), j(y.begin(), y.end(), number), end; i != end;
             ++i, ++j)
            if (std::fabs(std::stod(i->str()) - std::stod(j->str())) > 1e-3)
                return ::testing::AssertionFailure() << "line " << line << ":\n  " << x << "\n  " << y;
    }
}

const std::string kOrders = std::string(REPORT_TEST_DATA) + "/fixtures/orders.sql";
const std::string kOrderSheet = std::string(REPORT_SOURCE_ROOT) + "/resources/reports/order_sheet.xml";
const std::string kOrdersDb = "{orders}";

// The fixture's orders and an order of 70 generated lines, made on first use.
const std::string& ordersFile()
{
    static const order_lines::OrderFile file(kOrders, 70);
    return file.path;
}

struct Case {
    std::string name;
    std::string report;
    std::vector<std::string> args;  // database and datasets
    bool words = true;              // a page of dense text has its pixels only
};

class PrintedOutput : public ::testing::TestWithParam<Case> {};

TEST_P(PrintedOutput, MatchesTheRecordedPrintPath)
{
    const Case& c = GetParam();
    QTemporaryDir dir;
    const std::string pdf = dir.filePath(QStringLiteral("out.pdf")).toStdString();
    const char* tool = std::getenv("RPPRINT");
    std::string command = "CUPS_SERVER=/nonexistent/socket " + quoted(tool && *tool ? tool : RPPRINT_PATH) + " " +
                          quoted(c.report);
    for (const std::string& a : c.args) command += " " + quoted(a == kOrdersDb ? ordersFile() : a);
    command += " --file " + quoted(pdf) + " >/dev/null 2>&1; echo $?";
    ASSERT_EQ(Trim(CommandOutput(command)), "0") << command;
    const Printed printed = inspect(pdf, dir);
    ASSERT_NE(printed.pages.find("page 1 "), std::string::npos) << "nothing rendered";

    const std::string base = kPrinted + c.name;
    if (std::getenv("DORVAK_UPDATE_GOLDEN")) {
        if (c.words) std::ofstream(base + ".words", std::ios::binary) << printed.words;
        std::ofstream(base + ".pages", std::ios::binary) << printed.pages;
        GTEST_SKIP() << "references written";
    }
    if (c.words) {
        EXPECT_TRUE(sameWords(readFile(base + ".words"), printed.words));
    }
    EXPECT_EQ(readFile(base + ".pages"), printed.pages);
}

std::vector<Case> cases()
{
    const std::string& db = kOrdersDb;
    const std::string fixtureOrder = "ZEZO-2026-12-06-093000";
    return {
        {"text_features", kPrinted + "text_features.xml", {}},
        {"views", std::string(REPORT_TEST_DATA) + "/rpdraw_views.xml", {}},
        {"page_columns", std::string(REPORT_TEST_DATA) + "/engine/cases/page_columns.xml", {}},
        {"long_rich", std::string(PREVIEW_TEST_DATA) + "/rich/reports/long_rich.xml", {}, false},
        {"order_sheet",
         kOrderSheet,
         {"--db", db, "--dataset", "rpDBDataset1=" + order_lines::masterSql(fixtureOrder), "--dataset",
          "rpDBDataset2=" + order_lines::detailSql(fixtureOrder)}},
        {"order_sheet_70_lines",
         kOrderSheet,
         {"--db", db, "--dataset", "rpDBDataset1=" + order_lines::masterSql(), "--dataset",
          "rpDBDataset2=" + order_lines::detailSql()}},
        {"waybill",
         std::string(REPORT_SOURCE_ROOT) + "/resources/reports/waybill.xml",
         {"--db", db, "--dataset", "rpDBDataset3=" + order_lines::masterSql(fixtureOrder), "--dataset",
          "rpDBDataset4=select * from config"}},
    };
}

INSTANTIATE_TEST_SUITE_P(Reports, PrintedOutput, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
