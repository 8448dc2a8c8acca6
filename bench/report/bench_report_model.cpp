// The report model: building a page of 500 objects, computing the attribute
// difference of each (what prepared pages store), drawing an
// order-sheet-like page of 500 views into a 96-dpi and a 600-dpi image, and
// loading reports of 10,000 and 40,000 memos in one band. Peers in the same
// run: the text conversion a memo's difference cannot do without, the same
// number of bare QPainter calls (a fill, a frame and a text per view) on
// the same images, and the XML reader alone on the same report files.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "NoBoxes.h"
#include "CodePages.h"
#include "QtCanvas.h"
#include "RatioReporter.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpShapes.h"
#include "rpXML.h"
#include "rpXML.h"
#include "rpStartup.h"

namespace {

constexpr int kRows = 30;
constexpr int kColumns = 15;
constexpr int kLines = 50;
constexpr int kViews = kRows * kColumns + kLines;

const char16_t* const kTexts[] = {u"订单号", u"ZEZO-2026-03-07-093000", u"客户名称", u"张三", u"12.50",
                                  u"3",      u"37.50",                  u"件",      u"Order line"};

// A page like the order sheet: rows of framed cells under one band each,
// and ruling lines.
struct Sheet {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = new TrpReportPage(report.get());
    std::vector<TrpComponent*> views;

    Sheet()
    {
        page->SetName("Page1");
        for (int r = 0; r < kRows; ++r) {
            auto* band = new TrpMasterData(page);
            band->SetName("Band" + IntToStr(r));
            band->SetBounds(0, 20 + 34.0L * r, 718, 34);
            for (int c = 0; c < kColumns; ++c) {
                auto* m = new TrpMemoView(band);
                m->SetName("Memo" + IntToStr(r * kColumns + c));
                m->SetBounds(47.8L * c, 4, 47.8L, 26);
                m->SetText(kTexts[(r + c) % 9]);
                m->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
                if (c == 0) m->Font()->SetName("宋体");
                if (c % 3 == 1) m->HAlign = haRight;
                views.push_back(m);
            }
        }
        for (int l = 0; l < kLines; ++l) {
            auto* line = new TrpLineView(page->Objects()[static_cast<size_t>(l % kRows)]);
            line->SetName("Line" + IntToStr(l));
            line->SetBounds(14.3L * l, 2, 200, 0);
            views.push_back(line);
        }
    }
};

Sheet& sheet()
{
    static Sheet s;
    return s;
}

void BM_BuildPage500(benchmark::State& state)
{
    for (auto _ : state) {
        Sheet s;
        benchmark::DoNotOptimize(s.views.data());
    }
    state.SetItemsProcessed(state.iterations() * kViews);
}

// Each view against an unchanged copy of itself moved a little: the usual
// difference of a printed object from its source.
void BM_Diff500(benchmark::State& state)
{
    Sheet& s = sheet();
    TrpMemoView reference;
    reference.SetBounds(0, 4, 47.8L, 26);
    TrpLineView lineReference;
    std::string out;
    out.reserve(256);
    for (auto _ : state) {
        for (TrpComponent* v : s.views) {
            out.clear();
            v->DiffTo(out, dynamic_cast<TrpMemoView*>(v) ? static_cast<TrpComponent*>(&reference)
                                                           : static_cast<TrpComponent*>(&lineReference));
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kViews);
}

// What the difference of a memo cannot avoid: its text as escaped UTF-8.
void BM_TextToUtf8Peer500(benchmark::State& state)
{
    Sheet& s = sheet();
    for (auto _ : state) {
        for (TrpComponent* v : s.views) {
            auto* m = dynamic_cast<TrpMemoView*>(v);
            const std::string text = m ? StrToXML(Utf16ToUtf8(m->Memo()->View(0))) : std::string();
            benchmark::DoNotOptimize(text.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kViews);
}

void drawOurs(benchmark::State& state, Extended zoom)
{
    Sheet& s = sheet();
    QImage image(static_cast<int>(Round(794 * zoom)), static_cast<int>(Round(1123 * zoom)), QImage::Format_RGB32);
    image.fill(Qt::white);
    TQtCanvas canvas(image);
    for (auto _ : state)
        for (TrpComponent* v : s.views) static_cast<TrpReportComponent*>(v)->Draw(canvas, zoom, zoom, 37.8L, 37.8L);
    state.SetItemsProcessed(state.iterations() * kViews);
}

void drawPeer(benchmark::State& state, Extended zoom)
{
    Sheet& s = sheet();
    QImage image(static_cast<int>(Round(794 * zoom)), static_cast<int>(Round(1123 * zoom)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font("Liberation Sans");
    font.setPixelSize(static_cast<int>(Round(13 * zoom)));
    p.setFont(font);
    p.setPen(Qt::black);
    std::vector<QString> texts;
    for (TrpComponent* v : s.views) {
        auto* m = dynamic_cast<TrpMemoView*>(v);
        texts.push_back(m ? QString::fromStdU16String(std::u16string(m->Memo()->View(0))) : QString());
    }
    for (auto _ : state) {
        for (size_t i = 0; i < s.views.size(); ++i) {
            const TrpComponent* v = s.views[i];
            const QRectF r((v->AbsLeft() + 37.8) * zoom, (v->AbsTop() + 37.8) * zoom, v->Width() * zoom,
                           std::max<Extended>(v->Height(), 1) * zoom);
            p.fillRect(r, Qt::white);
            p.drawRect(r);
            if (!texts[i].isEmpty()) p.drawText(r.topLeft() + QPointF(2 * zoom, 12 * zoom), texts[i]);
        }
    }
    state.SetItemsProcessed(state.iterations() * kViews);
}

void BM_DrawPage96(benchmark::State& state)
{
    drawOurs(state, 1);
}
void BM_QPainterPeer96(benchmark::State& state)
{
    drawPeer(state, 1);
}
void BM_DrawPage600(benchmark::State& state)
{
    drawOurs(state, 6.25L);
}
void BM_QPainterPeer600(benchmark::State& state)
{
    drawPeer(state, 6.25L);
}

// A report of n memos in one band, as report XML.
const std::string& memosReport(int n)
{
    static std::map<int, std::string> made;
    std::string& xml = made[n];
    if (xml.empty()) {
        xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrpReport><TrpReportPage Name=\"Page1\">"
              "<TrpMasterData Name=\"Band1\" Width=\"700\" Height=\"30\">";
        for (int i = 0; i < n; ++i)
            xml += "<TrpMemoView Name=\"Memo" + std::to_string(i) + "\" Left=\"1\" Top=\"1\" Width=\"10\" Height=\"10\"/>";
        xml += "</TrpMasterData></TrpReportPage></TrpReport>";
    }
    return xml;
}

// Loading (each name checked against the report's) and freeing the report.
void BM_LoadMemos(benchmark::State& state)
{
    const std::string& xml = memosReport(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TrpReport report;
        TStringStream in(xml);
        report.LoadFromStream(in);
        benchmark::DoNotOptimize(report.Objects().size());
    }
}

void BM_ReadXmlMemosPeer(benchmark::State& state)
{
    const std::string& xml = memosReport(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TrpXMLDocument doc;
        TStringStream in(xml);
        doc.LoadFromStream(in);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
}

BENCHMARK(BM_BuildPage500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Diff500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextToUtf8Peer500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPage96)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterPeer96)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPage600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterPeer600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMemos)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXmlMemosPeer)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// Real time per iteration in the reporter's unit, converted to nanoseconds.
double nanos(const RatioReporter& r, const std::string& name, double unit)
{
    return r.Time(name) * unit;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double diff = nanos(reporter, "BM_Diff500", 1e3), textPeer = nanos(reporter, "BM_TextToUtf8Peer500", 1e3);
    const double d96 = nanos(reporter, "BM_DrawPage96", 1e6), p96 = nanos(reporter, "BM_QPainterPeer96", 1e6);
    const double d600 = nanos(reporter, "BM_DrawPage600", 1e6), p600 = nanos(reporter, "BM_QPainterPeer600", 1e6);
    if (diff > 0 && textPeer > 0)
        std::printf("Diff per object: %.0f ns (target < 1000 ns for a memo); text conversion alone: %.0f ns; "
                    "ratio %.2f\n",
                    diff / kViews, textPeer / kViews, diff / textPeer);
    if (d96 > 0 && p96 > 0)
        std::printf("page of %d views at 96 dpi: %.2f ms (target < 5 ms); bare QPainter calls: %.2f ms; ratio %.2f\n",
                    kViews, d96 / 1e6, p96 / 1e6, d96 / p96);
    if (d600 > 0 && p600 > 0)
        std::printf("page of %d views at 600 dpi: %.2f ms (target < 60 ms); bare QPainter calls: %.2f ms; ratio %.2f\n",
                    kViews, d600 / 1e6, p600 / 1e6, d600 / p600);
    for (int n : {10000, 40000}) {
        const std::string arg = "/" + std::to_string(n);
        const double load = nanos(reporter, "BM_LoadMemos" + arg, 1e6), xml = nanos(reporter, "BM_ReadXmlMemosPeer" + arg, 1e6);
        if (load > 0 && xml > 0)
            std::printf("report of %d memos loaded and freed: %.0f ns a memo; the XML reader alone: %.0f ns; ratio %.2f\n", n,
                        load / n, xml / n, load / xml);
    }
    const double small = nanos(reporter, "BM_LoadMemos/10000", 1e6), large = nanos(reporter, "BM_LoadMemos/40000", 1e6);
    if (small > 0 && large > 0)
        std::printf("time a memo at 40,000 over at 10,000: %.2f (1 when loading is linear)\n", (large / 40000) / (small / 10000));
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
