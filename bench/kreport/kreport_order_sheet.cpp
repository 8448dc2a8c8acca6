// The order sheet of one order in KReport 3, the peer of our engine in
// bench_engine: the same layout (a title on every page; the order's head,
// its frames and the column headings on the first; a framed row of eight
// texts and seven lines per line of the order; the totals at the end; rows
// keep their height, as KReport's fields do not grow), the
// same rows read from the same SQLite file, prepared by the pre-renderer and
// printed by the print renderer into a 600-dpi PDF.
//
//   kreport_order_sheet --db FILE --order NUMBER [--pdf OUT.pdf] [--script] [--runs N] [--title TEXT]
//
// Prints "pages=", "rows=", "prepare_s=" and "pdf_s=" (the fastest of N
// runs; the PDF step only with --pdf), "boxes=" (message boxes KReport
// opened, answered at once: a script that does not run shows one) and
// "vmhwm_kb=", the program's peak resident set. With
// --script a JavaScript handler runs for every row, as a report script
// would, and the totals show its count. --title replaces the title "发货单"
// (bench_print titles it with a company name, as our print command does).

#include <sqlite3.h>

#include <QApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QPainter>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <KReportDataSource.h>
#include <KReportPreRenderer.h>
#include <KReportRenderObjects.h>
#include <KReportRendererBase.h>
#include <KReportScriptSource.h>

#include "../report/ChildProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The detail fields, as the order sheet shows them: the line's number,
// its columns and the amount.
const char* const kFields[] = {"line", "cp", "cpgg", "dw", "sl", "dj", "je", "bz"};
constexpr int kFieldCount = 8;

struct Order {
    std::vector<std::vector<QString>> rows;
    QString number, customer, date, quantity, amount, extraName, extra, remark;
};

QString column(sqlite3_stmt* st, int c)
{
    const unsigned char* text = sqlite3_column_text(st, c);
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

int columnIndex(sqlite3_stmt* st, const char* name)
{
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        if (std::strcmp(sqlite3_column_name(st, c), name) == 0) return c;
    return -1;
}

// The order's head and its lines, all read before the report runs (as our
// query holds them); the amount is the price times the quantity.
bool readOrder(const char* file, const char* number, Order& order)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return false;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select bh, khmc, kssj, zsl, je, fjmc, fjje, bz from zq_dd where bh=?", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, number, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(st) == SQLITE_ROW;
    if (found) {
        order.number = column(st, 0);
        order.customer = column(st, 1);
        order.date = column(st, 2);
        order.quantity = column(st, 3);
        order.amount = column(st, 4);
        order.extraName = column(st, 5);
        order.extra = column(st, 6);
        order.remark = column(st, 7);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "select * from zq_ddmx where bh=? order by id", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, number, -1, SQLITE_STATIC);
    int at[kFieldCount];
    for (int f = 0; f < kFieldCount; ++f) at[f] = columnIndex(st, kFields[f]);
    const int price = columnIndex(st, "dj"), quantity = columnIndex(st, "sl");
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<QString>& row = order.rows.emplace_back(kFieldCount);
        for (int f = 0; f < kFieldCount; ++f) row[f] = at[f] >= 0 ? column(st, at[f]) : QString();
        row[0] = QString::number(order.rows.size());
        row[6] = QString::number(column(st, price).toDouble() * column(st, quantity).toDouble(), 'g', 15);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return found;
}

// The order's lines as KReport reads them.
class Lines : public KReportDataSource {
public:
    explicit Lines(const Order& order) : order_(order) {}
    bool open() override { return true; }
    bool close() override { return true; }
    bool moveNext() override { return at_ + 1 < recordCount() && (++at_, true); }
    bool movePrevious() override { return at_ > 0 && (--at_, true); }
    bool moveFirst() override { return (at_ = 0, recordCount() > 0); }
    bool moveLast() override { return (at_ = recordCount() - 1, recordCount() > 0); }
    qint64 at() const override { return at_; }
    qint64 recordCount() const override { return static_cast<qint64>(order_.rows.size()); }
    int fieldNumber(const QString& field) const override
    {
        for (int f = 0; f < kFieldCount; ++f)
            if (field == QLatin1String(kFields[f])) return f;
        return -1;
    }
    QStringList fieldNames() const override
    {
        QStringList names;
        for (const char* f : kFields) names << QString::fromLatin1(f);
        return names;
    }
    QVariant value(int pos) const override
    {
        if (pos < 0 || pos >= kFieldCount || at_ < 0 || at_ >= recordCount()) return {};
        return order_.rows[static_cast<size_t>(at_)][static_cast<size_t>(pos)];
    }
    QVariant value(const QString& field) const override { return value(fieldNumber(field)); }
    QStringList dataSourceNames() const override { return {QStringLiteral("rpDBDataset2")}; }

private:
    const Order& order_;
    qint64 at_ = 0;
};

// The row script: counts the rows it sees; the totals show the count.
class Script : public KReportScriptSource {
public:
    QStringList scriptList() const override { return {QStringLiteral("order_sheet")}; }
    QString scriptCode(const QString&) const override
    {
        return QStringLiteral(
            "var lines = 0;\n"
            "function detail() { this.OnRender = function() { lines = lines + 1; } }\n"
            "function lineCount() { return lines; }\n"
            "order_sheet.section_detail.initialize(new detail());\n");
    }
};

// ---- the layout, in our report units (96 per inch) turned into points

QString pt(double px) { return QString::number(px * 0.75, 'f', 3) + QStringLiteral("pt"); }

QString escaped(const QString& s) { return s.toHtmlEscaped(); }

struct Font {
    const char* family;
    double px;
    bool bold;
};
const Font kArial{"Liberation Sans", 13, false};
const Font kSong{"AR PL UMing CN", 13, true};
const Font kTitle{"WenQuanYi Zen Hei Mono", 35, true};

QString textItem(const char* kind, const QString& name, const QString& attribute, double x, double y, double w,
                 double h, const Font& font, const char* align)
{
    return QStringLiteral("<report:%1 report:name=\"%2\" %3 svg:x=\"%4\" svg:y=\"%5\" svg:width=\"%6\" svg:height=\"%7\" "
                          "report:horizontal-align=\"%8\" report:vertical-align=\"center\">"
                          "<report:text-style fo:font-family=\"%9\" fo:font-size=\"%10\" fo:font-weight=\"%11\" "
                          "fo:foreground-color=\"#000000\" fo:background-color=\"#ffffff\" fo:background-opacity=\"0%\"/>"
                          "<report:line-style report:line-color=\"#000000\" report:line-weight=\"0\" "
                          "report:line-style=\"nopen\"/></report:%1>\n")
        .arg(QLatin1String(kind), name, attribute, pt(x), pt(y), pt(w), pt(h), QLatin1String(align),
             QLatin1String(font.family), QString::number(font.px * 0.75), font.bold ? QStringLiteral("700") : QStringLiteral("400"));
}

QString label(const QString& name, const QString& text, double x, double y, double w, double h,
              const Font& font = kArial, const char* align = "left")
{
    return textItem("label", name, QStringLiteral("report:caption=\"%1\"").arg(escaped(text)), x, y, w, h, font, align);
}

QString field(const QString& name, const QString& source, double x, double y, double w, double h,
              const char* align = "center")
{
    return textItem("field", name, QStringLiteral("report:item-data-source=\"%1\"").arg(escaped(source)), x, y, w, h,
                    kArial, align);
}

QString line(double x1, double y1, double x2, double y2)
{
    static int n = 0;
    return QStringLiteral("<report:line report:name=\"line%1\" svg:x1=\"%2\" svg:y1=\"%3\" svg:x2=\"%4\" svg:y2=\"%5\">"
                          "<report:line-style report:line-color=\"#000000\" report:line-weight=\"1\" "
                          "report:line-style=\"solid\"/></report:line>\n")
        .arg(++n)
        .arg(pt(x1), pt(y1), pt(x2), pt(y2));
}

// A frame as its four lines.
QString frame(double x, double y, double w, double h)
{
    return line(x, y, x + w, y) + line(x + w, y, x + w, y + h) + line(x + w, y + h, x, y + h) + line(x, y + h, x, y);
}

QString section(const char* type, double height, const QString& items)
{
    return QStringLiteral("<report:section svg:height=\"%1\" fo:background-color=\"#ffffff\" report:section-type=\"%2\">\n%3"
                          "</report:section>\n")
        .arg(pt(height), QLatin1String(type), items);
}

QString design(const Order& o, bool script, const QString& titleText)
{
    const QString title = label(QStringLiteral("Memo1"), titleText, 230.55, 3.78, 287.24, 49.13, kTitle, "center");

    QString head = label(QStringLiteral("Memo2"), QStringLiteral("单据编号"), 9.34, 5.8, 71.81, 18.9, kArial, "center") +
                   label(QStringLiteral("Memo3"), o.number, 86.93, 5.57, 154.96, 18.9, kArial, "center") +
                   label(QStringLiteral("Memo4"), QStringLiteral("开单日期：") + o.date, 548.03, 4.56, 158.74, 18.9) +
                   frame(0, 30.25, 718.11, 34.02) +
                   label(QStringLiteral("Memo6"), QStringLiteral("客户名称"), 7.56, 37.59, 60.47, 18.9, kArial, "center") +
                   line(79.37, 30.25, 79.37, 64.27) +
                   label(QStringLiteral("Memo8"), o.customer, 83.15, 39.59, 627.4, 18.9) + frame(0, 64.27, 718.11, 34.02);
    const double headLines[] = {60.47, 164.87, 332.31, 375.66, 429.69, 485.61, 547.74};
    for (const double x : headLines) head += line(x, 64.27, x, 98.29);
    const struct {
        const char* text;
        double x, w;
    } headings[] = {{"行号", 11.34, 37.8},  {"产品名称", 74.93, 72.27}, {"产品规格", 195.35, 86.93}, {"单位", 336.09, 34.02},
                    {"数量", 385.56, 34.02}, {"单价", 439.25, 34.02},  {"金额", 506.17, 34.02},    {"备注", 612.64, 52.91}};
    int n = 9;
    for (const auto& h : headings)
        head += label(QStringLiteral("Memo%1").arg(n++), QString::fromUtf8(h.text), h.x, 72.28, h.w, 18.9, kSong, "center");

    QString row = frame(0.56, 0, 718.11, 30.24);
    const double rowLines[] = {60.13, 165.54, 331.97, 375.32, 429.58, 485.27, 548.18};
    for (const double x : rowLines) row += line(x, 0, x, 30.24);
    const struct {
        double x, y, w;
    } cells[] = {{3.78, 5, 52.91},      {64.25, 5, 93.84},     {172.43, 5, 145.09},   {335.09, 7.56, 37.8},
                 {382.22, 7.56, 41.57}, {435.47, 5.78, 45.35}, {490.05, 5.56, 52.91}, {554.74, 3.78, 158.37}};
    for (int f = 0; f < kFieldCount; ++f)
        row += field(QString::fromLatin1(kFields[f]), QString::fromLatin1(kFields[f]), cells[f].x, cells[f].y, cells[f].w,
                     18.9, f == kFieldCount - 1 ? "left" : "center");

    QString totals = frame(0, 1.78, 718.11, 65.02) + label(QStringLiteral("Memo7"), o.extraName, 6, 8.28, 464.49, 18.9) +
                     label(QStringLiteral("Memo25"), o.extra, 524, 9.28, 190.49, 18.9, kArial, "right") +
                     line(1, 33.28, 718.22, 33.28) + line(60, 34.28, 60, 67.28) +
                     label(QStringLiteral("Memo26"), QStringLiteral("合计"), 4, 41.28, 42.49, 18.9, kArial, "center");
    for (const double x : {377.1, 431.35, 487.49}) totals += line(x, 33, x, 67.02);
    totals += label(QStringLiteral("Memo28"), o.quantity, 376.88, 42.34, 52.91, 18.9, kArial, "center") +
              label(QStringLiteral("Memo5"),
                    QString::number(o.extra.toDouble() + o.amount.toDouble(), 'g', 15), 487.83, 42.34, 225.69, 18.9) +
              frame(1, 67.28, 716.22, 43) + label(QStringLiteral("Memo29"), o.remark, 11, 82.28, 698.49, 18.9);
    if (script)
        totals += field(QStringLiteral("LineCount"), QStringLiteral("=lineCount()"), 64, 41.28, 300, 18.9, "left");

    return QStringLiteral(
               "<!DOCTYPE kexireport>\n<kexireport>\n"
               "<report:content xmlns:report=\"http://kexi-project.org/report/2.0\" "
               "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
               "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\">\n"
               "<report:title>order_sheet</report:title>\n%1"
               "<report:page-style report:print-orientation=\"portrait\" fo:margin-top=\"28.346pt\" "
               "fo:margin-bottom=\"28.346pt\" fo:margin-left=\"28.346pt\" fo:margin-right=\"28.346pt\" "
               "report:page-size=\"A4\">predefined</report:page-style>\n<report:body>\n%2%3"
               "<report:detail>\n%4</report:detail>\n%5</report:body>\n</report:content>\n</kexireport>\n")
        .arg(script ? QStringLiteral("<report:script report:script-interpreter=\"javascript\">order_sheet</report:script>\n")
                    : QString(),
             section("header-page-any", 56.69, title), section("header-report", 98.28, head),
             section("detail", 30.46, row), section("footer-report", 207.05, totals));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const char *db = nullptr, *number = nullptr, *pdf = nullptr;
    QString titleText = QStringLiteral("发货单");
    bool script = false;
    int runs = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--db") && i + 1 < argc) db = argv[++i];
        else if (!std::strcmp(a, "--order") && i + 1 < argc) number = argv[++i];
        else if (!std::strcmp(a, "--pdf") && i + 1 < argc) pdf = argv[++i];
        else if (!std::strcmp(a, "--runs") && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(a, "--script")) script = true;
        else if (!std::strcmp(a, "--title") && i + 1 < argc) titleText = QString::fromUtf8(argv[++i]);
        else db = nullptr, i = argc;
    }
    if (!db || !number) {
        std::fprintf(stderr, "usage: kreport_order_sheet --db FILE --order NUMBER [--pdf OUT.pdf] [--script] [--runs N] "
                             "[--title TEXT]\n");
        return 2;
    }
    // Qt's and KReport's chatter (the print renderer sets the document
    // name on an active printer) is no part of the results.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    // KReport reports script errors in message boxes: nobody is there to
    // answer them in a benchmark, so each is closed at once and counted.
    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&boxes] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++boxes;
            modal->close();
        }
    });
    closer.start(20);

    double prepare = 1e9, print = 1e9;
    int pages = 0;
    size_t rows = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        Order order;
        if (!readOrder(db, number, order)) {
            std::fprintf(stderr, "kreport_order_sheet: no order %s in %s\n", number, db);
            return 1;
        }
        QDomDocument document;
        document.setContent(design(order, script, titleText));
        QDomElement content = document.documentElement().firstChildElement();
        KReportPreRenderer renderer(content);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "kreport_order_sheet: KReport refuses the report design\n");
            return 1;
        }
        renderer.setName(QStringLiteral("order_sheet"));
        Script code;
        if (script) renderer.setScriptSource(&code);
        renderer.setDataSource(new Lines(order));  // the renderer owns it
        if (!renderer.generateDocument() || !renderer.document()) {
            std::fprintf(stderr, "kreport_order_sheet: the report was not prepared\n");
            return 1;
        }
        prepare = std::min(prepare, clock.nsecsElapsed() / 1e9);
        pages = renderer.document()->pageCount();
        rows = order.rows.size();
        if (!pdf) continue;
        clock.restart();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(pdf));
        printer.setResolution(600);
        QPainter painter(&printer);
        KReportRendererFactory factory;
        std::unique_ptr<KReportRendererBase> out(factory.createInstance(QStringLiteral("print")));
        KReportRendererContext context;
        context.setPrinter(&printer);
        context.setPainter(&painter);
        if (!out || !out->render(context, renderer.document())) {
            std::fprintf(stderr, "kreport_order_sheet: the PDF was not printed\n");
            return 1;
        }
        painter.end();
        print = std::min(print, clock.nsecsElapsed() / 1e9);
    }
    std::printf("pages=%d\nrows=%zu\nprepare_s=%.6f\n", pages, rows, prepare);
    if (pdf) std::printf("pdf_s=%.6f\n", print);
    std::printf("boxes=%d\nvmhwm_kb=%ld\n", boxes, PeakMemoryKb());
    return boxes > 0 ? 3 : 0;
}
