// The regional settings, integer conversions and text functions.

#include "SysUtils.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "SysUtilsInternal.h"

using namespace sysutils_detail;

TFormatSettings::TFormatSettings()
{
    static const char* const numerals[12] = {"\xE4\xB8\x80",  // 一
                                             "\xE4\xBA\x8C",  // 二
                                             "\xE4\xB8\x89",  // 三
                                             "\xE5\x9B\x9B",  // 四
                                             "\xE4\xBA\x94",  // 五
                                             "\xE5\x85\xAD",  // 六
                                             "\xE4\xB8\x83",  // 七
                                             "\xE5\x85\xAB",  // 八
                                             "\xE4\xB9\x9D",  // 九
                                             "\xE5\x8D\x81",  // 十
                                             "\xE5\x8D\x81\xE4\xB8\x80",
                                             "\xE5\x8D\x81\xE4\xBA\x8C"};
    const std::string month = "\xE6\x9C\x88";                 // 月
    const std::string week = "\xE6\x98\x9F\xE6\x9C\x9F";      // 星期
    static const char* const days[7] = {"\xE6\x97\xA5",       // 日
                                        "\xE4\xB8\x80", "\xE4\xBA\x8C", "\xE4\xB8\x89",
                                        "\xE5\x9B\x9B", "\xE4\xBA\x94", "\xE5\x85\xAD"};
    for (int i = 0; i < 12; ++i) {
        ShortMonthNames[i] = numerals[i] + month;
        LongMonthNames[i] = ShortMonthNames[i];
    }
    for (int i = 0; i < 7; ++i) {
        ShortDayNames[i] = week + days[i];
        LongDayNames[i] = ShortDayNames[i];
    }
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

// ---- Integers

namespace sysutils_detail {

void appendInt(std::string& out, int64_t v, int minDigits)
{
    char buf[24];
    const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    auto r = std::to_chars(buf, buf + sizeof buf, mag);
    if (v < 0) out += '-';
    const int len = static_cast<int>(r.ptr - buf);
    if (len < minDigits) out.append(minDigits - len, '0');
    out.append(buf, r.ptr);
}

}  // namespace sysutils_detail

std::string IntToStr(int64_t v)
{
    std::string out;
    appendInt(out, v);
    return out;
}

std::string IntToHex(int64_t v, int digits)
{
    // A negative value that fits 32 bits shows as its 32-bit pattern, as the
    // platform's Integer overload does; other negatives use all 64 bits.
    const uint64_t bits = (v < 0 && v >= INT32_MIN) ? static_cast<uint32_t>(v) : static_cast<uint64_t>(v);
    char buf[20];
    auto r = std::to_chars(buf, buf + sizeof buf, bits, 16);
    std::string out;
    const int len = static_cast<int>(r.ptr - buf);
    if (len < digits) out.append(digits - len, '0');
    for (char* p = buf; p != r.ptr; ++p) out += (*p >= 'a' ? static_cast<char>(*p - 32) : *p);
    return out;
}

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Decimal within [-(maxPositive + 1), maxPositive], or "$"/"0x" hex up to
// hexMax whose bit pattern is taken as a two's complement value.
bool parseInteger(std::string_view s, uint64_t maxPositive, uint64_t hexMax, int64_t& out)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size()) return false;
    uint64_t mag = 0;
    const uint64_t limit = hex ? hexMax : maxPositive + (negative ? 1 : 0);
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        const unsigned base = hex ? 16 : 10;
        if (mag > (limit - digit) / base) return false;
        mag = mag * base + digit;
    }
    if (hex && hexMax == UINT32_MAX) mag = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(mag)));
    out = static_cast<int64_t>(negative ? 0 - mag : mag);
    return true;
}

[[noreturn]] void raiseInvalidInteger(std::string_view s)
{
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt(std::string_view s, int32_t& out)
{
    int64_t v;
    if (!parseInteger(s, INT32_MAX, UINT32_MAX, v)) return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool TryStrToInt64(std::string_view s, int64_t& out)
{
    return parseInteger(s, INT64_MAX, UINT64_MAX, out);
}

int32_t StrToInt(std::string_view s)
{
    int32_t v;
    if (!TryStrToInt(s, v)) raiseInvalidInteger(s);
    return v;
}

int64_t StrToInt64(std::string_view s)
{
    int64_t v;
    if (!TryStrToInt64(s, v)) raiseInvalidInteger(s);
    return v;
}

int32_t StrToIntDef(std::string_view s, int32_t def)
{
    int32_t v;
    return TryStrToInt(s, v) ? v : def;
}

int64_t StrToInt64Def(std::string_view s, int64_t def)
{
    int64_t v;
    return TryStrToInt64(s, v) ? v : def;
}

// ---- Text

std::string Trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string TrimLeft(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return std::string(s);
}

std::string TrimRight(std::string_view s)
{
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

namespace {

// Runs of ASCII bytes map byte by byte (letters From..To flip their case
// bit); other characters are decoded, and a byte that starts no character
// stays as it is.
// Flips the case bit of the letters From..To of ASCII text in place, eight
// bytes at a time; false as soon as a byte is not ASCII (the text is then
// partly changed).
template <char From, char To>
bool flipAsciiLetters(std::string& text)
{
    constexpr uint64_t ones = 0x0101010101010101ull;
    constexpr uint64_t high = ones * 0x80;
    char* p = text.data();
    size_t n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & high) return false;
        // Bytes below 0x80 plus these never carry into the next byte: bit 7
        // tells "at least From" and "past To".
        const uint64_t atLeastFrom = word + ones * (0x80 - From);
        const uint64_t pastTo = word + ones * (0x80 - To - 1);
        word ^= (atLeastFrom & ~pastTo & high) >> 2;
        std::memcpy(p, &word, 8);
    }
    for (; n; ++p, --n) {
        const auto u = static_cast<unsigned char>(*p);
        if (u >= 0x80) return false;
        if (u >= From && u <= To) *p = static_cast<char>(u ^ 0x20);
    }
    return true;
}

template <char From, char To>
std::string mapCase(std::string_view s, char32_t (*map)(char32_t))
{
    // Plain ASCII text, the usual case, takes the short way.
    std::string out(s);
    if (flipAsciiLetters<From, To>(out)) return out;
    out.clear();
    for (size_t i = 0; i < s.size();) {
        size_t end = i;
        while (end < s.size() && static_cast<unsigned char>(s[end]) < 0x80) ++end;
        if (end > i) {
            const size_t at = out.size();
            out.append(s, i, end - i);
            for (size_t k = at; k < out.size(); ++k)
                if (out[k] >= From && out[k] <= To) out[k] = static_cast<char>(out[k] ^ 0x20);
            i = end;
            continue;
        }
        const size_t start = i;
        const char32_t cp = nextCodePoint(s, i);
        if (i - start == 1 && cp >= 0x80) {
            out += s[start];  // a stray byte stays as it is
            continue;
        }
        appendCodePoint(out, map(cp));
    }
    return out;
}

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

std::string AnsiUpperCase(std::string_view s) { return mapCase<'a', 'z'>(s, upperCodePoint); }
std::string AnsiLowerCase(std::string_view s) { return mapCase<'A', 'Z'>(s, lowerCodePoint); }

int CompareStr(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
        if (d != 0) return d;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareText(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int d = static_cast<unsigned char>(asciiUpper(a[i])) - static_cast<unsigned char>(asciiUpper(b[i]));
        if (d != 0) return d;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareText(a, b) == 0;
}

bool AnsiSameText(std::string_view a, std::string_view b)
{
    auto ascii = [](std::string_view s) {
        for (const char c : s)
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        return true;
    };
    if (ascii(a) && ascii(b)) return SameText(a, b);
    return AnsiUpperCase(a) == AnsiUpperCase(b);
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += quote;
    for (char c : s) {
        out += c;
        if (c == quote) out += quote;
    }
    out += quote;
    return out;
}

std::string AnsiDequotedStr(std::string_view s, char quote)
{
    // Text that does not start with the quote comes back unchanged; inside,
    // doubled quotes are one; the text ends at the closing quote (or at the
    // end when there is none).
    if (s.empty() || s.front() != quote) return std::string(s);
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) {
                out += quote;
                ++i;
                continue;
            }
            break;
        }
        out += s[i];
    }
    return out;
}

namespace {

// Length in bytes of the match of `pattern` at s[pos] ignoring case (by
// code point), or npos. Case mapping may change byte lengths, so matching
// walks both texts character by character.
size_t matchNoCase(std::string_view s, size_t pos, std::string_view pattern)
{
    size_t i = pos;
    size_t j = 0;
    while (j < pattern.size()) {
        if (i >= s.size()) return std::string_view::npos;
        if (static_cast<unsigned char>(s[i] | pattern[j]) < 0x80) {
            if (asciiUpper(s[i++]) != asciiUpper(pattern[j++])) return std::string_view::npos;
            continue;
        }
        const char32_t a = nextCodePoint(s, i);
        const char32_t b = nextCodePoint(pattern, j);
        if (a != b && upperCodePoint(a) != upperCodePoint(b)) return std::string_view::npos;
    }
    return i - pos;
}

}  // namespace

std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern, unsigned flags)
{
    if (oldPattern.empty()) return std::string(s);
    const bool all = (flags & rfReplaceAll) != 0;
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        size_t len = std::string_view::npos;
        if (ignoreCase)
            len = matchNoCase(s, i, oldPattern);
        else if (s.compare(i, oldPattern.size(), oldPattern) == 0)
            len = oldPattern.size();
        if (len != std::string_view::npos) {
            out += newPattern;
            i += len;
            if (!all) break;
            continue;
        }
        // Advance by whole characters so that a match never starts inside one.
        const size_t step = charLength(s, i);
        out.append(s.substr(i, step));
        i += step;
    }
    out.append(s.substr(i));
    return out;
}

std::string BoolToStr(bool b, bool useBoolStrs)
{
    if (useBoolStrs) return b ? "True" : "False";
    return b ? "-1" : "0";
}
