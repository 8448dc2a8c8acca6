// Published property access: by name through the registry's hashed lookup,
// through a property record looked up once, and the Variant path scripts
// use, each against a plain virtual getter/setter pair measured in the same
// run. Counters: "x_virtual" (time over the virtual call) and "allocs/op".

#include <benchmark/benchmark.h>

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

template <class Op>
void measure(benchmark::State& state, Op op)
{
    TBenchView* view = benchObject();
    // Hide the dynamic type so the yardstick stays a real virtual call.
    TBenchView* opaque = view;
    benchmark::DoNotOptimize(opaque);

    int32_t i = 0;
    const uint64_t allocsBefore = AllocationCount();
    const auto start = Clock::now();
    for (auto _ : state) op(view, ++i);
    const double opNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const uint64_t allocs = AllocationCount() - allocsBefore;

    const auto baseStart = Clock::now();
    for (int64_t k = 0; k < state.iterations(); ++k) virtualRoundTrip(opaque, static_cast<int32_t>(k));
    const double baseNs = std::chrono::duration<double, std::nano>(Clock::now() - baseStart).count();

    const auto n = static_cast<double>(state.iterations());
    state.counters["allocs/op"] = static_cast<double>(allocs) / n;
    state.counters["x_virtual"] = baseNs > 0 ? opNs / baseNs : 0;
    state.counters["virtual_ns"] = baseNs / n;
}

void BM_VirtualCall(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) { virtualRoundTrip(view, i); });
}
BENCHMARK(BM_VirtualCall);

void BM_CachedPropInfo(benchmark::State& state)
{
    const TPropInfo* left = GetPropInfo(benchObject(), "Left");
    measure(state, [left](TBenchView* view, int32_t i) {
        left->SetOrd(view, i);
        int64_t v = left->GetOrd(view);
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_CachedPropInfo);

void BM_ByNameHashedLookup(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) {
        SetOrdProp(view, "left", i);
        int64_t v = GetOrdProp(view, "LEFT");
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_ByNameHashedLookup);

void BM_ByNameVariant(benchmark::State& state)
{
    measure(state, [](TBenchView* view, int32_t i) {
        SetPropValue(view, "Left", Variant(i));
        Variant v = GetPropValue(view, "Left");
        benchmark::DoNotOptimize(v);
    });
}
BENCHMARK(BM_ByNameVariant);

void BM_HandleResolve(benchmark::State& state)
{
    const ObjectHandle h = benchObject()->Handle();
    measure(state, [h](TBenchView*, int32_t) {
        TObject* o = ObjectFromHandle(h);
        benchmark::DoNotOptimize(o);
    });
}
BENCHMARK(BM_HandleResolve);

}  // namespace
