#include "rpDiff.h"

#include <charconv>
#include <cmath>

#include "CodePages.h"

namespace {

char16_t unitAt(std::string_view text, size_t i)
{
    return static_cast<char16_t>(static_cast<unsigned char>(text[i]));
}
char16_t unitAt(std::u16string_view text, size_t i)
{
    return text[i];
}

// One character of attribute text; '&' looks ahead for "quot;", which the
// reader takes as an escaped quote.
template <class View>
bool escapeAscii(std::string& out, char16_t c, View text, size_t i, size_t& skip)
{
    switch (c) {
    case u'\n': out += "&#10;"; return true;
    case u'\r': out += "&#13;"; return true;
    case u'"': out += "&#34;"; return true;
    case u'<': out += "&#60;"; return true;
    case u'>': out += "&#62;"; return true;
    case u'&': {
        static constexpr char16_t quot[] = u"quot;";
        bool isQuot = i + 5 < text.size();
        for (size_t k = 0; isQuot && k < 5; ++k) isQuot = unitAt(text, i + 1 + k) == quot[k];
        if (isQuot) {
            out += "&#34;";
            skip = 5;
        } else {
            out += "&#38;";
        }
        return true;
    }
    default: return false;
    }
}

}  // namespace

void rpAppendEscaped(std::string& out, std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        size_t skip = 0;
        if (!escapeAscii(out, unitAt(text, i), text, i, skip))
            out += text[i];
        i += skip;
    }
}

void rpAppendEscaped(std::string& out, std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            size_t skip = 0;
            if (!escapeAscii(out, c, text, i, skip)) out += static_cast<char>(c);
            i += skip;
            continue;
        }
        size_t units = 1;
        char32_t cp = CodePointAt(text, i, &units);
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        Utf8Append(out, cp);
        i += units - 1;
    }
}

void rpAppendInt(std::string& out, int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void rpAppendFloatText(std::string& out, Extended value)
{
    if (value == 0) {
        out += '0';
        return;
    }
    const Extended a = std::fabs(value);
    if (a >= 1e-4L && a < 1e7L) {
        // e: the decimal exponent of the value's first digit.
        static constexpr Extended kPowers[] = {1e-4L, 1e-3L, 1e-2L, 1e-1L, 1, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L};
        int e = -4;
        while (e < 6 && a >= kPowers[e + 5]) ++e;
        // The value in hundred-millionths, and how far it may lie from a
        // whole number so that rounding it to 15 digits gives that number:
        // a quarter of the 15th digit's unit (10^(e-14), here scaled by 1e8).
        const Extended scaled = a * 1e8L;
        const Extended k = std::rint(scaled);
        static constexpr Extended kQuarterUnits[] = {0.25e-10L, 0.25e-9L, 0.25e-8L, 0.25e-7L, 0.25e-6L, 0.25e-5L,
                                                     0.25e-4L,  0.25e-3L, 0.25e-2L, 0.25e-1L, 0.25L};
        if (std::fabs(scaled - k) < kQuarterUnits[e + 4]) {
            const auto n = static_cast<int64_t>(k);
            if (value < 0) out += '-';
            rpAppendInt(out, n / 100000000);
            int64_t fraction = n % 100000000;
            if (fraction) {
                char digits[9] = "00000000";
                for (int i = 7; i >= 0; --i, fraction /= 10) digits[i] = static_cast<char>('0' + fraction % 10);
                int length = 8;
                while (digits[length - 1] == '0') --length;
                out += '.';
                out.append(digits, static_cast<size_t>(length));
            }
            return;
        }
    }
    out += FloatToStr(value);
}
