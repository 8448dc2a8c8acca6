// Numbers never allocate; copies of text and arrays share their payload.

#include "AllocCounter.h"
#include "VariantTestSupport.h"

namespace {

// Allocations made while f runs.
template <class F>
uint64_t allocationsDuring(F&& f)
{
    const uint64_t before = AllocationCount();
    f();
    return AllocationCount() - before;
}

}  // namespace

TEST(VariantAllocation, CounterSeesAllocations)
{
    EXPECT_GT(allocationsDuring([] { Variant v("a text long enough to need its own heap block"); }), 0u);
}

TEST(VariantAllocation, NumbersNeverAllocate)
{
    volatile int64_t sink = 0;
    const uint64_t n = allocationsDuring([&] {
        Variant sum;
        for (int i = 0; i < 1000; ++i) {
            Variant a(i), b(int64_t(i) << 33), c(i * 0.5), d(i % 2 == 0);
            sum = sum + a;
            sum = sum - b * Variant(3);
            sum = sum + c;
            Variant q = a / Variant(7);
            Variant m = VarMod(b, Variant(7)) + VarIntDiv(a, Variant(3));
            Variant bits = VarXor(VarShl(a, Variant(3)), VarNot(d));
            Variant cur = Variant::FromCurrencyScaled(i) * Variant::FromCurrencyScaled(15000);
            Variant date = Variant::FromDate(46362) + Variant(i);
            Variant copy = q;
            Variant moved = std::move(copy);
            sink = sink + (a < c) + (a == b) + VarCompare(Variant::Null(), m) + bits.toInt64() + cur.toInt64() +
                   date.toInt() + moved.toInt64() + Variant::FromObject(i).toInt64() + d.toInt();
        }
        // Spilling past 64 bits into double allocates nothing either.
        sum = Variant(INT64_MAX) + Variant(INT64_MAX);
        sink = sink + static_cast<int64_t>(sum.toDouble() > 0);
    });
    EXPECT_EQ(n, 0u);
}

TEST(VariantAllocation, CopiesShareTextAndArrays)
{
    const Variant text("a text long enough to need its own heap block");
    const Variant wide(u"a wide text long enough to need its own heap block");
    const Variant array = VarArrayOf({1, 2, 3});
    const uint64_t n = allocationsDuring([&] {
        Variant a = text, b = wide, c = array;
        Variant d;
        d = a;
        d = c;
        (void)(a == text);
        (void)c.arrayGet(1);
    });
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(allocationsDuring([] { Variant empty(""), wideEmpty(u""); }), 0u);
}

TEST(VariantAllocation, WriteToSharedArrayCopiesOnce)
{
    Variant a = VarArrayOf({1, 2, 3});
    Variant b = a;
    EXPECT_GT(allocationsDuring([&] { b.arrayPut(0, Variant(9)); }), 0u);
    // b now owns its payload alone: further writes do not copy.
    EXPECT_EQ(allocationsDuring([&] { b.arrayPut(1, Variant(8)); }), 0u);
    EXPECT_EQ(a.arrayGet(0), Variant(1));
}
