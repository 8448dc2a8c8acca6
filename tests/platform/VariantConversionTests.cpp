// Conversions between Variant kinds: rounding, ranges, text forms.

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "VariantTestSupport.h"

namespace {

constexpr double kDec6 = 46362;  // 2026-12-06

}  // namespace

TEST(VariantConversion, DoubleToIntegerRoundsHalfToEven)
{
    for (const auto& [value, rounded] : {std::pair{2.5, 2}, {3.5, 4}, {0.5, 0}, {-2.5, -2}, {2.5000001, 3}})
        EXPECT_EQ(Variant(value).toInt(), rounded) << value;
    EXPECT_EQ(Variant(-3.5).toInt64(), -4);
    EXPECT_EQ(Variant(4503599627370497.0).toInt64(), 4503599627370497);
}

TEST(VariantConversion, OutOfRangeRaisesInsteadOfWrapping)
{
    EXPECT_RAISES(EVariantOverflowError, "Overflow while converting variant of type (Double) into type (Integer)",
                  Variant(2147483648.0).toInt());
    EXPECT_EQ(Variant(-2147483648.0).toInt(), INT32_MIN);
    EXPECT_RAISES(EVariantOverflowError, "Overflow while converting variant of type (Double) into type (Int64)",
                  Variant(9.3e18).toInt64());
    EXPECT_THROW(Variant(std::nan("")).toInt64(), EVariantOverflowError);
    EXPECT_RAISES(EVariantOverflowError, "Overflow while converting variant of type (Int64) into type (Integer)",
                  Variant(int64_t(1) << 40).toInt());
    EXPECT_RAISES(EVariantOverflowError, "Overflow while converting variant of type (LongWord) into type (Integer)",
                  Variant(uint32_t(4000000000u)).toInt());
}

TEST(VariantConversion, BooleanForms)
{
    EXPECT_EQ(Variant(true).toInt(), -1);
    EXPECT_EQ(Variant(false).toInt(), 0);
    EXPECT_EQ(Variant(true).toDouble(), -1.0);
    EXPECT_EQ(Variant(true).toString(), "True");
    EXPECT_EQ(Variant(false).toString(), "False");
    for (const auto& [text, value] : {std::pair{"true", true}, {"TRUE", true}, {"fAlSe", false}, {"0", false}, {"-1", true}, {"0.5", true}})
        EXPECT_EQ(Variant(text).toBool(), value) << text;
    EXPECT_TRUE(Variant(u"True").toBool());
    EXPECT_TRUE(Variant(2).toBool());
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Boolean)",
                  Variant("yes").toBool());
    EXPECT_EQ(Variant("True").toInt(), -1);
}

TEST(VariantConversion, TextToNumbers)
{
    EXPECT_EQ(Variant("12").toInt(), 12);
    EXPECT_EQ(Variant("  -7 ").toInt(), -7);
    EXPECT_EQ(Variant("$FF").toInt(), 255);
    EXPECT_EQ(Variant("2.5").toInt(), 2);
    EXPECT_EQ(Variant("9223372036854775807").toInt64(), INT64_MAX);
    EXPECT_DOUBLE_EQ(Variant("1.5").toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(Variant(u"1.5E3").toDouble(), 1500.0);
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Double)",
                  Variant("abc").toDouble());
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Integer)",
                  Variant("12abc").toInt());
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (OleStr) into type (Double)",
                  Variant(u"").toDouble());
}

// A process that has called setlocale (Qt does) must still read and write
// "." as the decimal separator.
TEST(VariantConversion, TextFormsIgnoreTheCLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) break;
    const double parsed = Variant("1.5").toDouble();
    const std::string text = Variant(1.5).toString();
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(parsed, 1.5);
    EXPECT_EQ(text, "1.5");
}

TEST(VariantConversion, DoubleToTextIsFloatToStr)
{
    EXPECT_EQ(Variant(105.0).toString(), "105");
    EXPECT_EQ(Variant(0.1 + 0.2).toString(), "0.3");
    EXPECT_EQ(Variant(1e15).toString(), "1E15");
    EXPECT_EQ(Variant(0.00001).toString(), "1E-5");
    EXPECT_EQ(Variant(-2.5).toString(), "-2.5");
    EXPECT_EQ(Variant::FromSingle(0.1f).toString(), "0.1");
}

TEST(VariantConversion, DateToTextLeavesOutAZeroTime)
{
    EXPECT_EQ(Variant::FromDate(kDec6).toString(), "2026-12-06");
    EXPECT_EQ(Variant::FromDate(kDec6 + 0.5).toString(), "2026-12-06 12:00:00");
    EXPECT_DOUBLE_EQ(Variant("2026-12-06").toDate(), kDec6);
    EXPECT_DOUBLE_EQ(Variant("46362.25").toDate(), kDec6 + 0.25);
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Date)",
                  Variant("soon").toDate());
}

TEST(VariantConversion, EmptyAndNull)
{
    const Variant empty;
    EXPECT_EQ(empty.toInt(), 0);
    EXPECT_EQ(empty.toDouble(), 0.0);
    EXPECT_EQ(empty.toString(), "");
    EXPECT_FALSE(empty.toBool());
    const Variant null = Variant::Null();
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (Null) into type (Integer)", null.toInt());
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (Null) into type (String)",
                  null.toString());
    EXPECT_EQ(VarToStr(null), "");
    EXPECT_TRUE(VarToWideStr(null).empty());
    EXPECT_TRUE(VarIsNull(null));
    EXPECT_TRUE(VarIsEmpty(empty));
}

TEST(VariantConversion, CurrencyIsExactAndRoundsHalfToEven)
{
    EXPECT_EQ(Variant::FromCurrency(1.23456).rawInt64(), 12346);
    EXPECT_EQ(Variant::FromCurrencyScaled(25000).toInt(), 2);
    EXPECT_EQ(Variant::FromCurrencyScaled(35000).toInt(), 4);
    EXPECT_EQ(Variant::FromCurrencyScaled(-25000).toInt(), -2);
    // All 19 digits, where FloatToStr would stop at 15.
    for (const auto& [scaled, text] : {std::pair<int64_t, const char*>{12345, "1.2345"}, {-500, "-0.05"}, {30000, "3"},
                                       {INT64_MAX, "922337203685477.5807"}, {INT64_MIN, "-922337203685477.5808"}})
        EXPECT_EQ(Variant::FromCurrencyScaled(scaled).toString(), text);
    EXPECT_EQ(Variant(3).cast(varCurrency).rawInt64(), 30000);
    EXPECT_EQ(Variant("0.3").cast(varCurrency).rawInt64(), 3000);
    EXPECT_EQ(Variant("922337203685477.5807").cast(varCurrency).rawInt64(), INT64_MAX);
    EXPECT_THROW(Variant(1e300).cast(varCurrency), EVariantOverflowError);
}

TEST(VariantConversion, SmallIntegerKindsKeepTheirTypeAndRange)
{
    const Variant b = Variant::FromTyped(200, varByte);
    EXPECT_EQ(b.type(), varByte);
    EXPECT_EQ(b.toInt(), 200);
    EXPECT_EQ(Variant::FromTyped(-5, varSmallint).toString(), "-5");
    EXPECT_EQ(Variant::FromTyped(-100, varShortInt).toInt64(), -100);
    EXPECT_EQ(Variant::FromTyped(65535, varWord).toDouble(), 65535.0);
    EXPECT_EQ(Variant(uint32_t(4000000000u)).toInt64(), 4000000000);
    EXPECT_EQ(Variant(uint32_t(4000000000u)).toString(), "4000000000");
    EXPECT_RAISES(EVariantOverflowError, "Overflow while converting variant of type (Int64) into type (Byte)",
                  Variant::FromTyped(300, varByte));
    EXPECT_THROW(Variant::FromTyped(-1, varWord), EVariantOverflowError);
    EXPECT_THROW(Variant(40000).cast(varSmallint), EVariantOverflowError);
    EXPECT_THROW(Variant(-1).cast(varLongWord), EVariantOverflowError);
}

TEST(VariantConversion, WideAndNarrowTextRoundTrip)
{
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";  // 中文 U+1F600
    const Variant narrow(utf8);
    EXPECT_EQ(narrow.toWideString(), u"\u4E2D\u6587 \U0001F600");
    EXPECT_EQ(Variant(narrow.toWideString()).toString(), utf8);
    EXPECT_EQ(Variant(u"\u4E2D").type(), varOleStr);
    EXPECT_EQ(Variant(12).toWideString(), u"12");
}

TEST(VariantConversion, ObjectHandlesActAsTheirNumber)
{
    const Variant obj = Variant::FromObject(42);
    EXPECT_EQ(obj.type(), varObject);
    EXPECT_EQ(VarType(obj), varInteger);
    EXPECT_EQ(obj.toInt(), 42);
    EXPECT_EQ(obj.toString(), "42");
    EXPECT_EQ(obj.toObject(), 42u);
    EXPECT_TRUE(obj.toBool());
    EXPECT_FALSE(Variant::FromObject(0).toBool());
    EXPECT_EQ(Variant(42).toObject(), 42u);
    EXPECT_EQ(Variant().toObject(), 0u);
    EXPECT_THROW(Variant(-1).toObject(), EVariantTypeCastError);
    EXPECT_THROW(Variant::Null().toObject(), EVariantTypeCastError);
}

TEST(VariantConversion, CastChangesTheKind)
{
    EXPECT_VARIANT(varInteger, 12, Variant("12").cast(varInteger));
    EXPECT_VARIANT(varInteger, 4, Variant(3.5).cast(varInteger));
    EXPECT_VARIANT(varString, "1.5", Variant(1.5).cast(varString));
    EXPECT_VARIANT(varBoolean, true, Variant("true").cast(varBoolean));
    EXPECT_EQ(Variant(1).cast(varDate).type(), varDate);
    EXPECT_EQ(Variant(1).cast(varNull).type(), varNull);
    EXPECT_EQ(Variant(1).cast(varVariant).type(), varInteger);
    EXPECT_THROW(Variant(1).cast(0x0777), EVariantError);
    EXPECT_THROW(Variant(1).cast(varDispatch), EVariantTypeCastError);
}

TEST(VariantConversion, DispatchObjectsAreReferenceCounted)
{
    struct Probe : IDispatchObject {
        int* destroyed;
        explicit Probe(int* d) : destroyed(d) {}
        ~Probe() override { ++*destroyed; }
        int32_t GetIDsOfNames(const WideString&, int32_t&) override { return -1; }
        int32_t Invoke(int32_t, uint16_t, std::span<Variant>, std::span<const int32_t>, Variant*,
                       TDispExcepInfo&) override
        {
            return -1;
        }
    };
    int destroyed = 0;
    auto* probe = new Probe(&destroyed);
    {
        Variant a(probe);
        Variant b = a;
        a.clear();
        EXPECT_EQ(b.toDispatch(), probe);
        EXPECT_TRUE(b.isDispatch());
        EXPECT_EQ(destroyed, 0);
        EXPECT_THROW(b.toString(), EVariantTypeCastError);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Variant(1).toDispatch(), nullptr);
}
