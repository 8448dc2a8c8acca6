#pragma once
// Helpers shared by the SysUtils source files; not part of the public interface.

#include <cstdint>
#include <string>
#include <string_view>

#include "CodePages.h"
#include "SysUtils.h"

namespace sysutils_detail {

// Decodes the code point at s[i] and advances i. A byte that does not start a
// well-formed sequence comes back as itself (0x80..0xFF), so that no input
// byte is ever lost when text is walked character by character.
inline char32_t nextCodePoint(std::string_view s, size_t& i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    char32_t cp;
    return Utf8Decode(s, i, cp) ? cp : lead;
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
    Utf8Append(out, cp);
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
