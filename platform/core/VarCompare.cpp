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
    char32_t cp;
    return Utf8Decode(s, i, cp) ? cp : 0xFFFD;
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
        std::u16string bufferA, bufferB;
        const std::u16string_view x = a.type() == varOleStr ? a.rawWideString() : (bufferA = a.toWideString());
        const std::u16string_view y = b.type() == varOleStr ? b.rawWideString() : (bufferB = b.toWideString());
        return sign(x.compare(y));
    }
    // Empty compares as "", whose payload is the shared empty string.
    return compareUtf8(a.isEmpty() ? std::string_view() : a.rawString(),
                       b.isEmpty() ? std::string_view() : b.rawString());
}

template <class T>
int order(T x, T y) noexcept
{
    return x < y ? -1 : (y < x ? 1 : 0);
}

int compareNumbers(const VarNumber& x, const VarNumber& y) noexcept
{
    using N = VarNumber;
    if (x.kind == N::Int && y.kind == N::Int) return order(x.i, y.i);
    const bool xf = x.kind == N::Dbl || x.kind == N::Date, yf = y.kind == N::Dbl || y.kind == N::Date;
    if (!xf && !yf) {
        const __int128 a = x.kind == N::Cur ? __int128(x.i) : __int128(x.i) * 10000;
        const __int128 b = y.kind == N::Cur ? __int128(y.i) : __int128(y.i) * 10000;
        return order(a, b);
    }
    // Currency meets a double as the double nearest to it, as it converts
    // (Currency 0.1 equals Double 0.1); an integer is exact in long double
    // where a double would round 2^53 + 1 onto 2^53.
    if (x.kind != N::Int && y.kind != N::Int) return order(static_cast<double>(x.value()), static_cast<double>(y.value()));
    return order(x.value(), y.value());
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
    return compareNumbers(VarNumberOf(a, true), VarNumberOf(b, true));
}

}  // namespace

bool VarEquals(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.type() == varInteger && b.type() == varInteger) return a.rawInt() == b.rawInt();
    if (a.type() == varDouble && b.type() == varDouble) return a.rawDouble() == b.rawDouble();
    if (a.type() == varString && b.type() == varString) return a.rawString() == b.rawString();
    return compareValues(a, b, true) == 0;
}

int VarCompare(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return int(b.isNull()) - int(a.isNull());
    if (a.type() == varInteger && b.type() == varInteger) return order(a.rawInt(), b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble) return order(a.rawDouble(), b.rawDouble());
    return compareValues(a, b, false);
}
