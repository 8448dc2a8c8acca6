// Playing a metafile: the chart of tests/gui/metafiles (an EMF of 2,600
// records: 380 polygons, paths of curves, 14 texts) drawn into a picture
// view's rectangle at 96 and at 600 dpi. "x_peer" is its time over
// replaying the canvas calls the same play made, recorded once: the cost
// of reading and mapping the records over the drawing itself. The peer
// libraries (libemf2svg with QtSvg, libwmf) are not run: the first leaves
// text to Qt's fonts and drops clip paths, the second needs fonts of its
// own to draw at all.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QImage>

#include <chrono>
#include <string>

#include "MetafilePlayer.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string& chart()
{
    static const std::string bytes = [] {
        QFile f(METAFILE_BENCH_DATA "/chart.emf");
        if (!f.open(QIODevice::ReadOnly)) return std::string();
        const QByteArray data = f.readAll();
        return std::string(data.constData(), size_t(data.size()));
    }();
    return bytes;
}

// The chart in a 120 x 80 mm picture view at the device's resolution.
void BM_PlayChart(benchmark::State& state)
{
    const double dpi = double(state.range(0));
    const QRectF rect(0, 0, 120 / 25.4 * dpi, 80 / 25.4 * dpi);
    QImage image(int(rect.width()) + 1, int(rect.height()) + 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    TQtCanvas canvas(image);
    TRecordingCanvas recording{static_cast<int>(dpi)};
    PlayMetafile(chart(), recording, rect);
    if (recording.Records().empty()) state.SkipWithError("chart.emf did not play");

    const auto start = Clock::now();
    for (auto _ : state) PlayMetafile(chart(), canvas, rect);
    const double playNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const auto peerStart = Clock::now();
    for (int64_t i = 0; i < state.iterations(); ++i) ReplayRecords(recording.Records(), canvas);
    const double peerNs = std::chrono::duration<double, std::nano>(Clock::now() - peerStart).count();
    state.counters["x_peer"] = peerNs > 0 ? playNs / peerNs : 0;
    state.counters["canvas_calls"] = double(recording.Records().size());
}
BENCHMARK(BM_PlayChart)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond);

// Reading every record without drawing: what a damaged file costs.
void BM_CheckChart(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(MetafileIsPlayable(chart()));
    state.counters["bytes"] = double(chart().size());
}
BENCHMARK(BM_CheckChart)->Unit(benchmark::kMicrosecond);

}  // namespace
