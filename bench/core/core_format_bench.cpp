// Formatting and parsing of numbers and dates. Each benchmark reports
// "allocs/op" and "x_peer": its time over the nearest standard-library work
// (std::to_chars / std::from_chars of the same value), i.e. what the
// platform's rules cost on top of bare digit generation.

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <string>
#include <vector>

#include "AllocCounter.h"
#include "SysUtils.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs `op` as the measured loop, then `peer` as often for the ratio.
template <class Op, class Peer>
void measureAgainstPeer(benchmark::State& state, Op op, Peer peer)
{
    const uint64_t allocsBefore = AllocationCount();
    const auto start = Clock::now();
    for (auto _ : state) op();
    const double opNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const uint64_t allocs = AllocationCount() - allocsBefore;

    const auto peerStart = Clock::now();
    for (int64_t i = 0; i < state.iterations(); ++i) peer();
    const double peerNs = std::chrono::duration<double, std::nano>(Clock::now() - peerStart).count();

    const auto n = static_cast<double>(state.iterations());
    state.counters["allocs/op"] = static_cast<double>(allocs) / n;
    state.counters["x_peer"] = peerNs > 0 ? opNs / peerNs : 0;
}

// Prices, quantities, ratios and the odd large or tiny value, as an order
// sheet prints them.
const std::vector<double>& typicalValues()
{
    static const std::vector<double> values = {1234.5, 0.1 + 0.2, 105.0, 19.99, 3.0, 2.675, 1e15, 1.5e-7, 100.0 / 7.0, -42.25};
    return values;
}

void peerToChars(size_t& k)
{
    const double v = typicalValues()[k++ % typicalValues().size()];
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    benchmark::DoNotOptimize(r.ptr);
}

void BM_FloatToStr(benchmark::State& state)
{
    size_t i = 0, k = 0;
    measureAgainstPeer(
        state,
        [&] {
            std::string s = FloatToStr(typicalValues()[i++ % typicalValues().size()]);
            benchmark::DoNotOptimize(s);
        },
        [&] { peerToChars(k); });
}
BENCHMARK(BM_FloatToStr);

void BM_FormatFloat(benchmark::State& state, const char* picture)
{
    size_t i = 0, k = 0;
    measureAgainstPeer(
        state,
        [&] {
            std::string s = FormatFloat(picture, typicalValues()[i++ % typicalValues().size()]);
            benchmark::DoNotOptimize(s);
        },
        [&] { peerToChars(k); });
}
BENCHMARK_CAPTURE(BM_FormatFloat, price, "0.00");
BENCHMARK_CAPTURE(BM_FormatFloat, thousands, "#,##0.00;(#,##0.00);\"-\"");
BENCHMARK_CAPTURE(BM_FormatFloat, scientific, "0.000E+00");

void BM_FormatPercentF(benchmark::State& state)
{
    size_t i = 0, k = 0;
    measureAgainstPeer(
        state,
        [&] {
            std::string s = Format("%9.2f", {typicalValues()[i++ % typicalValues().size()]});
            benchmark::DoNotOptimize(s);
        },
        [&] { peerToChars(k); });
}
BENCHMARK(BM_FormatPercentF);

void BM_StrToFloat(benchmark::State& state)
{
    static const std::vector<std::string> texts = {"1234.5", " 19.99 ", "0.3", "-42.25", "1.5E-7", "105", "2.675"};
    size_t i = 0, k = 0;
    measureAgainstPeer(
        state,
        [&] {
            Extended v = StrToFloat(texts[i++ % texts.size()]);
            benchmark::DoNotOptimize(v);
        },
        [&] {
            const std::string& t = texts[k++ % texts.size()];
            double v = 0;
            std::from_chars(t.data(), t.data() + t.size(), v);
            benchmark::DoNotOptimize(v);
        });
}
BENCHMARK(BM_StrToFloat);

void BM_FormatDateTime(benchmark::State& state, const char* format)
{
    const TDateTime dt = EncodeDate(2026, 12, 6) + EncodeTime(14, 5, 9, 0);
    int64_t n = 0;
    measureAgainstPeer(
        state,
        [&] {
            std::string s = FormatDateTime(format, dt);
            benchmark::DoNotOptimize(s);
        },
        [&] {
            // The digits alone, as bare integer conversions.
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, 20261206140509LL + (n++ & 1));
            benchmark::DoNotOptimize(r.ptr);
        });
}
BENCHMARK_CAPTURE(BM_FormatDateTime, order_number, "yyyy-mm-dd-HHMMSS");
BENCHMARK_CAPTURE(BM_FormatDateTime, default_text, "c");

}  // namespace
