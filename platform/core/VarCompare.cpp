// Variant comparison: Null below everything, numbers compared exactly
// across kinds, text by UTF-16 code units whatever its storage.

#include <cmath>
#include <string_view>

#include "CodePages.h"
#include "Exceptions.h"
#include "VariantImpl.h"

namespace {

int sign(int c) noexcept
{
    return (c > 0) - (c < 0);
}

// UTF-8 byte order is code point order, but UTF-16 code units put U+10000
// and up (surrogates, 0xD800..) below U+E000..U+FFFF. Decoding one code
// point from a lead byte is enough to place it; invalid bytes sort as
// U+FFFD, which is how they convert to UTF-16.
char32_t decodeAt(std::string_view s, size_t& i) noexcept
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    int len = 0;
    char32_t cp = 0;
    if (c < 0x80) { ++i; return c; }
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else { ++i; return 0xFFFD; }
    if (i + len > s.size()) { ++i; return 0xFFFD; }
    for (int k = 1; k < len; ++k) {
        const unsigned char cc = byte(i + k);
        if ((cc & 0xC0) != 0x80) { ++i; return 0xFFFD; }
        cp = (cp << 6) | (cc & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return 0xFFFD; }
    i += len;
    return cp;
}

// Position in UTF-16 code unit order.
uint32_t utf16Rank(char32_t cp) noexcept
{
    if (cp < 0xD800) return cp;
    if (cp >= 0x10000) return 0xD800 + (cp - 0x10000);
    return cp + 0x100000;  // U+E000..U+FFFF after every surrogate pair
}

int compareUtf8(std::string_view a, std::string_view b) noexcept
{
    size_t i = 0;
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    while (i < n && a[i] == b[i]) ++i;
    if (i == a.size() || i == b.size()) return sign(int(a.size() > i) - int(b.size() > i));
    if (static_cast<unsigned char>(a[i]) < 0x80 && static_cast<unsigned char>(b[i]) < 0x80)
        return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    // Back to the lead byte of the code point the difference falls in; the
    // bytes before i are the same in both.
    size_t start = i;
    for (size_t k = 1; k <= 3 && k <= i; ++k) {
        const unsigned char c = static_cast<unsigned char>(a[i - k]);
        if ((c & 0xC0) == 0x80) continue;
        if (c >= 0xC0) start = i - k;
        break;
    }
    size_t ia = start, ib = start;
    while (ia < a.size() && ib < b.size()) {
        const uint32_t ra = utf16Rank(decodeAt(a, ia)), rb = utf16Rank(decodeAt(b, ib));
        if (ra != rb) return ra < rb ? -1 : 1;
    }
    return sign(int(ia < a.size()) - int(ib < b.size()));
}

int compareText(const Variant& a, const Variant& b)
{
    if (a.type() == varOleStr || b.type() == varOleStr) {
        const std::u16string x = a.type() == varOleStr ? a.rawWideString() : a.toWideString();
        const std::u16string y = b.type() == varOleStr ? b.rawWideString() : b.toWideString();
        return sign(std::u16string_view(x).compare(y));
    }
    // Empty compares as "", whose payload is the shared empty string.
    return compareUtf8(a.isEmpty() ? std::string_view() : a.rawString(),
                       b.isEmpty() ? std::string_view() : b.rawString());
}

// A number of any kind, kept exact: integers as integers, currency
// scaled, the floating kinds as long double (exact for every double).
struct Number {
    enum Kind { Int, Cur, Flt } kind;
    int64_t i;
    long double f;
};

Number numberOf(const Variant& v)
{
    switch (v.type()) {
    case varEmpty: return {Number::Int, 0, 0};
    case varBoolean: return {Number::Int, v.rawBool() ? -1 : 0, 0};
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return {Number::Int, VarOrdinalValue(v), 0};
    case varCurrency: return {Number::Cur, v.rawInt64(), 0};
    case varSingle: case varDouble: case varDate: return {Number::Flt, 0, v.rawDouble()};
    case varObject:
        if (v.rawObject() > static_cast<uint64_t>(INT64_MAX))
            return {Number::Flt, 0, static_cast<long double>(v.rawObject())};
        return {Number::Int, static_cast<int64_t>(v.rawObject()), 0};
    case varString: case varOleStr: return {Number::Flt, 0, v.toDouble()};
    default: VarInvalidOp();
    }
}

template <class T>
int order(T x, T y) noexcept
{
    return x < y ? -1 : (y < x ? 1 : 0);
}

int compareNumbers(const Number& x, const Number& y) noexcept
{
    if (x.kind == Number::Int && y.kind == Number::Int) return order(x.i, y.i);
    if (x.kind != Number::Flt && y.kind != Number::Flt) {
        const __int128 a = x.kind == Number::Cur ? __int128(x.i) : __int128(x.i) * 10000;
        const __int128 b = y.kind == Number::Cur ? __int128(y.i) : __int128(y.i) * 10000;
        return order(a, b);
    }
    const auto value = [](const Number& n) -> long double {
        if (n.kind == Number::Int) return static_cast<long double>(n.i);
        if (n.kind == Number::Cur) return static_cast<long double>(n.i) / 10000;
        return n.f;
    };
    return order(value(x), value(y));
}

bool isText(const Variant& v) noexcept
{
    return v.isString();
}

// Both sides are neither Null nor the same-kind shortcut.
int compareValues(const Variant& a, const Variant& b, bool equalityOnly)
{
    const bool ta = isText(a), tb = isText(b);
    if ((ta || a.isEmpty()) && (tb || b.isEmpty()) && (ta || tb)) return compareText(a, b);
    if (ta || tb) {
        const Variant& text = ta ? a : b;
        const Variant& other = ta ? b : a;
        Variant converted;
        if (other.isBool()) converted = Variant(text.toBool());
        else if (other.type() == varDate) converted = Variant::FromDate(text.toDate());
        else converted = Variant(text.toDouble());
        return ta ? compareValues(converted, other, equalityOnly) : compareValues(other, converted, equalityOnly);
    }
    if (a.isDispatch() || b.isDispatch()) {
        if (!equalityOnly || !a.isDispatch() || !b.isDispatch()) VarInvalidOp();
        return a.toDispatch() == b.toDispatch() ? 0 : 1;
    }
    if (a.type() == varError && b.type() == varError) return order(a.rawInt(), b.rawInt());
    return compareNumbers(numberOf(a), numberOf(b));
}

}  // namespace

bool VarEquals(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.type() == varInteger && b.type() == varInteger) return a.rawInt() == b.rawInt();
    if (a.type() == varString && b.type() == varString) return a.rawString() == b.rawString();
    return compareValues(a, b, true) == 0;
}

int VarCompare(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return int(b.isNull()) - int(a.isNull());
    if (a.type() == varInteger && b.type() == varInteger) return order(a.rawInt(), b.rawInt());
    return compareValues(a, b, false);
}
