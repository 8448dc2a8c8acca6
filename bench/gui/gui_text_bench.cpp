// Text measuring and wrapping: 10,000 memo texts of 40 characters, mixed
// Chinese and Latin as order sheets print them. Each benchmark reports
// "x_peer": its time over Qt doing the same work in the same run with the
// same font files (the pinned file of the report font, then the same CJK
// file for what it lacks), unhinted and without kerning: QTextLayout
// wrapping each text into the same box for the layout benchmark,
// QFontMetricsF measuring each text for the width benchmark.
#include <benchmark/benchmark.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <chrono>
#include <string>
#include <vector>

#include "FontResolver.h"
#include "QtCanvas.h"
#include "SizedFont.h"
#include "rpGraphicUtils.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kTexts = 10000;

const std::vector<std::u16string>& memoTexts()
{
    static const std::vector<std::u16string> texts = [] {
        const std::u16string words[] = {u"\u4E0A\u6D77", u"\u53D1\u8D27\u5355", u"ZEZO-2024", u"order", u"12.50",
                                        u"\u5BA2\u6237", u"Ltd.", u"\u6D66\u4E1C\u65B0\u533A", u"\uFF0C", u"A4",
                                        u"\u89C4\u683C", u"box", u"\u6570\u91CF", u"x3", u"\u8054\u7CFB\u7535\u8BDD"};
        std::vector<std::u16string> out;
        uint32_t seed = 12345;
        for (size_t i = 0; i < kTexts; ++i) {
            std::u16string text;
            while (text.size() < 40) {
                seed = seed * 1103515245 + 12345;
                text += words[(seed >> 16) % std::size(words)];
                if ((seed >> 8) % 3) text += u' ';
            }
            text.resize(40);
            out.push_back(std::move(text));
        }
        return out;
    }();
    return texts;
}

const std::vector<QString>& qtTexts()
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> out;
        for (const std::u16string& t : memoTexts()) out.push_back(QString::fromStdU16String(t));
        return out;
    }();
    return texts;
}

// Qt's measurement of the same texts at 10 pt on a 600 dpi device.
double qtMeasureAll(const QFontMetricsF& metrics)
{
    double sum = 0;
    for (const QString& text : qtTexts()) sum += metrics.horizontalAdvance(text);
    return sum;
}

// Each text wrapped by Qt into lines of the given width; the summed height.
double qtLayoutAll(const QFont& font, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    double height = 0;
    for (const QString& text : qtTexts()) {
        QTextLayout layout(text, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return height;
}

// The family Qt knows a face's file under, the file added once.
QString qtFamilyOf(const FontFace* face)
{
    if (!face) return {};
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(face->fileName()));
    const QString wanted = QString::fromStdString(face->familyName());
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.contains(wanted) ? wanted : families.value(0);
}

// The report font's pinned file and its CJK fallback file, in that order,
// at 10 pt on a 600 dpi device, as our drawer measures them.
QFont qtFont(const char* family)
{
    const ResolvedFont& resolved = ResolveFont(family, false, false);
    QStringList families{qtFamilyOf(resolved.primary().face)};
    if (resolved.fallback().face) families << qtFamilyOf(resolved.fallback().face);
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(83);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Runs `op` as the measured loop, then `peer` as often for the ratio.
template <class Op, class Peer>
void measureAgainstPeer(benchmark::State& state, Op op, Peer peer)
{
    const auto start = Clock::now();
    for (auto _ : state) op();
    const double opNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const auto peerStart = Clock::now();
    for (int64_t i = 0; i < state.iterations(); ++i) peer();
    const double peerNs = std::chrono::duration<double, std::nano>(Clock::now() - peerStart).count();
    state.counters["x_peer"] = peerNs > 0 ? opNs / peerNs : 0;
    state.counters["texts"] = static_cast<double>(kTexts);
}

// The whole memo sequence per text: font, options, an 87-unit box, gaps,
// layout with wrapping, height.
void BM_DrawTextLayout10000(benchmark::State& state, const char* family)
{
    TFont font;
    font.SetName(family);
    font.SetSize(10);
    TrpDrawText drawer;
    const QFont qfont = qtFont(family);
    // The memo's 87-unit box below in 600-dpi pixels.
    const qreal boxWidth = 87 * 600.0 / 96.0;
    qtLayoutAll(qfont, boxWidth);  // warm both caches
    Extended total = 0;
    measureAgainstPeer(
        state,
        [&] {
            for (const std::u16string& text : memoTexts()) {
                drawer.SetFont(font);
                drawer.SetOptions(true, false, false, false, true, true, 0);
                drawer.SetDimensions({0, 0, 87, 1000}, {0, 0, 87, 1000});
                drawer.SetGaps(0, 0, 2);
                drawer.SetText(text);
                total += drawer.CalcHeight();
            }
            benchmark::DoNotOptimize(total);
        },
        [&] { benchmark::DoNotOptimize(qtLayoutAll(qfont, boxWidth)); });
}
BENCHMARK_CAPTURE(BM_DrawTextLayout10000, Arial, "Arial")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawTextLayout10000, SimSun, "SimSun")->Unit(benchmark::kMillisecond);

// Measuring alone: the width of each text from the cached advance tables.
void BM_MeasureWidth10000(benchmark::State& state)
{
    const SizedFont& font = SizedFont::Get(ResolveFont("Arial", false, false), 83);
    const QFontMetricsF metrics(qtFont("Arial"));
    qtMeasureAll(metrics);
    int64_t total = 0;
    measureAgainstPeer(
        state,
        [&] {
            for (const std::u16string& text : memoTexts()) total += font.width(text);
            benchmark::DoNotOptimize(total);
        },
        [&] { benchmark::DoNotOptimize(qtMeasureAll(metrics)); });
}
BENCHMARK(BM_MeasureWidth10000)->Unit(benchmark::kMillisecond);

// One long text, as a received prepared report may hold in the order
// sheet's title (a 718 x 49-unit box, 12 pt): laid out whole and drawn at
// 600 dpi into an image of the box, where two lines show. The peer is Qt
// wrapping the same text with QTextLayout and drawing the lines that show.
void BM_LongTitle(benchmark::State& state)
{
    const size_t length = static_cast<size_t>(state.range(0));
    const std::u16string address = u"浙江省杭州市西湖区文三路478号"
                                   u"华星时代广场A座十二楼1201至1205室，"
                                   u"logo 70克（红色）";
    std::u16string text;
    text.reserve(length + address.size());
    while (text.size() < length) text += address;
    text.resize(length);
    const QString qtext = QString::fromStdU16String(text);
    const Extended scale = TrpDrawText::r;
    const TRect box{0, 0, static_cast<int>(Round(718 * scale)), static_cast<int>(Round(49 * scale))};
    QImage image(box.Right, box.Bottom, QImage::Format_RGB32);
    TFont font;
    font.SetName("Arial");
    font.SetSize(12);
    TrpDrawText drawer;
    size_t lines = 0;
    QFont qfont = qtFont("Arial");
    qfont.setPixelSize(FontPixelSize(12, TrpDrawText::PrinterPPI));
    measureAgainstPeer(
        state,
        [&] {
            image.fill(Qt::white);
            TQtCanvas canvas(image);
            drawer.SetFont(font);
            drawer.SetOptions(true, false, false, false, true, true, 0);
            drawer.SetDimensions(box, box, scale, scale);
            drawer.SetWrapBox(718, 49);
            drawer.SetGaps(0, 0, 2);
            drawer.SetText(text);
            drawer.DrawText(canvas, rpHCenter);
            lines = drawer.Lines().size();
        },
        [&] {
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setClipRect(0, 0, box.Right, box.Bottom);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            option.setAlignment(Qt::AlignHCenter);
            QTextLayout layout(qtext, qfont);
            layout.setTextOption(option);
            layout.beginLayout();
            qreal y = 0;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(box.Right);
                line.setPosition(QPointF(0, y));
                y += line.height();
            }
            layout.endLayout();
            for (int i = 0; i < layout.lineCount() && layout.lineAt(i).y() < box.Bottom; ++i)
                layout.lineAt(i).draw(&painter, QPointF(0, 0));
        });
    state.counters["texts"] = 1;
    state.counters["chars"] = static_cast<double>(length);
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_LongTitle)->Arg(1000000)->Arg(10000000)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
