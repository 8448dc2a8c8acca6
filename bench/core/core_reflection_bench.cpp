// Published property access: by name through the registry's hashed lookup,
// through a property record looked up once, and the Variant path scripts
// use, each against a plain virtual getter/setter pair measured in the same
// run. Counters: "x_virtual" (time over the virtual call) and "allocs/op".

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "AllocCounter.h"
#include "Classes.h"
#include "CoreClasses.h"

namespace {

using Clock = std::chrono::steady_clock;

class TBenchView : public TComponent {
    DORVAK_CLASS(TBenchView, TComponent)
public:
    using TComponent::TComponent;
    int32_t Left() const { return left_; }
    void SetLeft(int32_t v) { left_ = v; }
    virtual int32_t VirtualLeft() const { return left_; }
    virtual void SetVirtualLeft(int32_t v) { left_ = v; }
    static void Publish(TClassBuilder<TBenchView>& b)
    {
        b.property("Visible", &TBenchView::visible_).defaultValue(true);
        b.property("Caption", &TBenchView::caption_);
        b.property("Left", &TBenchView::Left, &TBenchView::SetLeft);
        b.property("Top", &TBenchView::top_);
    }

private:
    bool visible_ = true;
    std::string caption_;
    int32_t left_ = 0;
    int32_t top_ = 0;
};

TBenchView* benchObject()
{
    // Registered once for the whole program, as start-up would.
    static TBenchView* view = [] {
        registerCoreClasses();
        RegisterClass<TBenchView>(TBenchView::Publish);
        return new TBenchView;
    }();
    return view;
}

// One write and one read of Left through the virtual pair: the yardstick.
void virtualRoundTrip(TBenchView* view, int32_t i)
{
    view->SetVirtualLeft(i);
    int32_t v = view->VirtualLeft();
    benchmark::DoNotOptimize(v);
}

// The operation and the yardstick take turns in blocks (which goes first
// alternates), on the same object behind the same opaque pointer, so that
// neither side gets a warmer cache or a devirtualised call the other lacks.
// The ratio compares each side's fastest block: the blocks that a busy
// machine did not interrupt. The benchmark's own time is the operation's.
template <class Op>
void measure(benchmark::State& state, Op op)
{
    TBenchView* view = benchObject();
    benchmark::DoNotOptimize(view);  // hide the dynamic type from both sides
    constexpr int kBlock = 1024;
    int32_t i = 0;
    double opTotal = 0, opBest = 1e300, baseBest = 1e300;
    uint64_t allocs = 0;
    bool opFirst = true;
    auto runOp = [&] {
        const uint64_t before = AllocationCount();
        const auto start = Clock::now();
        for (int k = 0; k < kBlock; ++k) op(view, ++i);
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        allocs += AllocationCount() - before;
        return ns;
    };
    auto runBase = [&] {
        const auto start = Clock::now();
        for (int k = 0; k < kBlock; ++k) virtualRoundTrip(view, ++i);
        return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    };
    while (state.KeepRunningBatch(kBlock)) {
        double opNs, baseNs;
        if (opFirst) {
            opNs = runOp();
            baseNs = runBase();
        } else {
            baseNs = runBase();
            opNs = runOp();
        }
        opFirst = !opFirst;
        opTotal += opNs;
        opBest = std::min(opBest, opNs);
        baseBest = std::min(baseBest, baseNs);
        state.SetIterationTime(opNs / 1e9);
    }
    state.counters["allocs/op"] = static_cast<double>(allocs) / static_cast<double>(state.iterations());
    state.counters["x_virtual"] = baseBest > 0 ? opBest / baseBest : 0;
    state.counters["virtual_ns"] = baseBest / kBlock;
}

void BM_VirtualCall(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) { virtualRoundTrip(view, i); });
}
BENCHMARK(BM_VirtualCall)->UseManualTime()->MinTime(0.5);

void BM_CachedPropInfo(benchmark::State& state)
{
    const TPropInfo* left = GetPropInfo(benchObject(), "Left");
    measure(state, [left](TBenchView* view, int32_t i) {
        left->SetOrd(view, i);
        int64_t v = left->GetOrd(view);
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_CachedPropInfo)->UseManualTime();

void BM_ByNameHashedLookup(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) {
        SetOrdProp(view, "left", i);
        int64_t v = GetOrdProp(view, "LEFT");
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_ByNameHashedLookup)->UseManualTime();

void BM_ByNameVariant(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) {
        SetPropValue(view, "Left", Variant(i));
        Variant v = GetPropValue(view, "Left");
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_ByNameVariant)->UseManualTime();

void BM_HandleResolve(benchmark::State& state)
{
    const ObjectHandle h = benchObject()->Handle();
    measure(state, [h](TBenchView*, int32_t) {
        TObject* o = ObjectFromHandle(h);
        benchmark::DoNotOptimize(o);
    });
}
BENCHMARK(BM_HandleResolve)->UseManualTime();

}  // namespace
