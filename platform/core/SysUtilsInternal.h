#pragma once
// Helpers shared by the SysUtils source files; not part of the public interface.

#include <cstdint>
#include <string>
#include <string_view>

#include "SysUtils.h"

namespace sysutils_detail {

// Decodes the code point at s[i] and advances i. A byte that does not start a
// well-formed sequence comes back as itself (0x80..0xFF), so that no input
// byte is ever lost when text is walked character by character.
inline char32_t nextCodePoint(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    }
    if (len == 0 || i + len > s.size()) {
        ++i;
        return b0;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return b0;
    }
    i += len;
    return cp;
}

// Length in bytes of the character starting at s[i] (1 for a stray byte).
inline size_t charLength(std::string_view s, size_t i)
{
    size_t j = i;
    nextCodePoint(s, j);
    return j - i;
}

inline void appendCodePoint(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Appends a code point that nextCodePoint() returned: stray bytes go back
// out as the same single byte.
inline void appendDecoded(std::string& out, char32_t cp, size_t byteLength)
{
    if (byteLength == 1)
        out += static_cast<char>(cp);
    else
        appendCodePoint(out, cp);
}

// Number of characters (code points, stray bytes counted one each).
inline size_t charCount(std::string_view s)
{
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) nextCodePoint(s, i);
    return n;
}

// Simple Unicode case mapping of one code point (CaseMap.cpp).
char32_t upperCodePoint(char32_t cp);
char32_t lowerCodePoint(char32_t cp);

// Appends v in decimal, at least minDigits digits (zero padded after the sign).
void appendInt(std::string& out, int64_t v, int minDigits = 0);

// The floating formats of FloatToStrF. Digits are first taken to `precision`
// significant digits; the fixed formats switch to exponent form only when
// the integer part has more than `switchPrecision` digits (Format's %f keeps
// 18 integer digits while rounding like FloatToStr).
std::string formatFloat(Extended v, TFloatFormat format, int precision, int digits, int switchPrecision);

}  // namespace sysutils_detail
