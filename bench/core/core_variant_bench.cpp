// Variant arithmetic, comparison and concatenation. Each benchmark reports
// "allocs/op" (numbers must stay at 0) and "x_native": its time over the
// same work on plain C++ values, i.e. the Variant's overhead.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "AllocCounter.h"
#include "Variant.h"

namespace {

using Clock = std::chrono::steady_clock;

double nanosPerIteration(Clock::time_point start, int64_t iterations)
{
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    return ns / static_cast<double>(iterations);
}

// Runs `variantOp` as the measured loop, then `nativeOp` as often for the
// ratio. Both are called with nothing and must keep their result alive.
template <class VariantOp, class NativeOp>
void measure(benchmark::State& state, VariantOp variantOp, NativeOp nativeOp)
{
    const uint64_t allocsBefore = AllocationCount();
    const auto start = Clock::now();
    for (auto _ : state) variantOp();
    const double variantNs = nanosPerIteration(start, state.iterations());
    const uint64_t allocs = AllocationCount() - allocsBefore;

    const auto nativeStart = Clock::now();
    for (int64_t i = 0; i < state.iterations(); ++i) nativeOp();
    const double nativeNs = nanosPerIteration(nativeStart, state.iterations());

    state.counters["allocs/op"] = static_cast<double>(allocs) / static_cast<double>(state.iterations());
    state.counters["x_native"] = nativeNs > 0 ? variantNs / nativeNs : 0;
}

// x * k - c + y
template <class T>
void BM_Sum(benchmark::State& state, T x, T k, T c, T y)
{
    const Variant vx(x), vk(k), vc(c), vy(y);
    measure(
        state,
        [&] {
            benchmark::DoNotOptimize(vx);
            Variant r = vx * vk - vc + vy;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            benchmark::DoNotOptimize(x);
            T r = x * k - c + y;
            benchmark::DoNotOptimize(r);
        });
}

BENCHMARK_CAPTURE(BM_Sum, integer, int32_t(7), int32_t(3), int32_t(1), int32_t(1000));
// Through Int64 and back to Integer: the widening path.
BENCHMARK_CAPTURE(BM_Sum, int64, int64_t(1) << 40, int64_t(1), int64_t(1) << 40, int64_t(1));
BENCHMARK_CAPTURE(BM_Sum, double, 1.25, 3.0, 0.5, 1000.0);

void BM_IntegerTimesDouble(benchmark::State& state)
{
    int32_t i = 7;
    double d = 0.5;
    const Variant vi(i), vd(d);
    measure(
        state,
        [&] {
            Variant r = vi * vd + vi;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            benchmark::DoNotOptimize(i);
            double r = i * d + i;
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK(BM_IntegerTimesDouble);

// Currency against its native form, a scaled 64-bit integer.
void BM_CurrencySum(benchmark::State& state)
{
    int64_t a = 12500, b = 5000;
    const Variant va = Variant::FromCurrencyScaled(a), vb = Variant::FromCurrencyScaled(b), three(3);
    measure(
        state,
        [&] {
            Variant r = va * three - vb;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            benchmark::DoNotOptimize(a);
            int64_t r = a * 3 - b;
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK(BM_CurrencySum);

void BM_Divide(benchmark::State& state)
{
    int32_t x = 7, y = 2;
    const Variant vx(x), vy(y);
    measure(
        state,
        [&] {
            Variant r = vx / vy;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            benchmark::DoNotOptimize(x);
            double r = static_cast<double>(x) / y;
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK(BM_Divide);

void BM_CompareMixed(benchmark::State& state)
{
    int32_t i = 12;
    double d = 12.5;
    const Variant vi(i), vd(d), vc = Variant::FromCurrencyScaled(125000);
    measure(
        state,
        [&] {
            bool r = vi < vd && vd == vc && !(vc < vi);
            benchmark::DoNotOptimize(r);
        },
        [&] {
            benchmark::DoNotOptimize(i);
            bool r = i < d && d == 12.5 && !(12.5 < i);
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK(BM_CompareMixed);

// Against std::string concatenation of the same texts.
void BM_Concat(benchmark::State& state, std::string a, std::string b)
{
    const Variant va(a), vb(b);
    measure(
        state,
        [&] {
            Variant r = va + vb;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            std::string r = a + b;
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK_CAPTURE(BM_Concat, short, std::string("order-"), std::string("42"));
BENCHMARK_CAPTURE(BM_Concat, long, std::string(40, 'x'), std::string(40, 'y'));

// The script pattern s := s + piece, 1000 pieces per iteration.
void BM_ConcatGrowing(benchmark::State& state)
{
    const Variant piece("abc");
    const std::string nativePiece("abc");
    measure(
        state,
        [&] {
            Variant s;
            for (int k = 0; k < 1000; ++k) s = s + piece;
            benchmark::DoNotOptimize(s);
        },
        [&] {
            std::string s;
            for (int k = 0; k < 1000; ++k) s = s + nativePiece;
            benchmark::DoNotOptimize(s);
        });
}
BENCHMARK(BM_ConcatGrowing);

// A copy shares the payload: no allocation, unlike a std::string copy.
void BM_CopyText(benchmark::State& state)
{
    const std::string text(100, 'z');
    const Variant v(text);
    measure(
        state,
        [&] {
            Variant r = v;
            benchmark::DoNotOptimize(r);
        },
        [&] {
            std::string r = text;
            benchmark::DoNotOptimize(r);
        });
}
BENCHMARK(BM_CopyText);

}  // namespace
