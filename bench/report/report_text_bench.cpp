// Text measuring and wrapping: 10,000 memo texts of 40 characters, mixed
// Chinese and Latin as order sheets print them. Each benchmark reports
// "x_peer": its time over Qt's QFontMetricsF measuring the same texts in the
// same font and size (which is what a Qt-based drawer would call, and which
// neither wraps nor is machine-independent).
#include <benchmark/benchmark.h>

#include <QFontMetricsF>
#include <QGuiApplication>

#include <chrono>
#include <string>
#include <vector>

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

QFont qtFont(const char* family)
{
    QFont font(family);
    font.setPixelSize(83);
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

// The whole memo sequence per text: font, options, a 90-unit box, gaps,
// layout with wrapping, height.
void BM_DrawTextLayout10000(benchmark::State& state, const char* family)
{
    TFont font;
    font.SetName(family);
    font.SetSize(10);
    TrpDrawText drawer;
    const QFontMetricsF metrics(qtFont(family));
    qtMeasureAll(metrics);  // warm both caches
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
        [&] { benchmark::DoNotOptimize(qtMeasureAll(metrics)); });
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
