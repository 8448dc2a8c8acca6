#pragma once
// Code page conversions. The platform's "ANSI code page" is UTF-8: 8-bit
// strings hold UTF-8, wide strings hold UTF-16. Other code pages (936 GBK
// above all) are used only at fixed boundaries, through iconv.

#include <cstdint>
#include <string>
#include <string_view>

constexpr int CP_UTF8 = 65001;
constexpr int CP_ACP = 0;   // means the platform's ANSI code page, i.e. UTF-8
constexpr int CP_GBK = 936;

// Fast paths without iconv. Invalid UTF-8 decodes to U+FFFD per bad byte;
// unpaired surrogates encode as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
bool IsValidUtf8(std::string_view s);
// Decodes the code point at s[i] and advances i. On a byte that starts no
// well-formed sequence (overlong, surrogate, truncated) it returns false and
// advances one byte, so callers choose how to show the stray byte.
bool Utf8Decode(std::string_view s, size_t& i, char32_t& cp) noexcept;
void Utf8Append(std::string& out, char32_t cp);

// The platform's GetACP: 65001.
int GetACP();

// MultiByteToWideChar: bytes in a code page to UTF-16; U+FFFD where a byte
// sequence does not map. Unknown code pages raise EConvertError.
std::u16string MultiByteToWide(int codePage, std::string_view bytes);
// WideCharToMultiByte: '?' where a character does not map; *lossy is set
// when that happened.
std::string WideToMultiByte(int codePage, std::u16string_view text, bool* lossy = nullptr);
// Strict form: a character the code page cannot hold raises EConvertError
// ("Character U+XXXX cannot be represented in code page N").
std::string WideToMultiByteStrict(int codePage, std::u16string_view text);

// UTF-8 text to GBK bytes, strictly (passwords are hashed over these).
std::string Utf8ToGbkStrict(std::string_view utf8);
// GBK bytes to UTF-8 (old report files); U+FFFD for bad sequences.
std::string GbkToUtf8(std::string_view gbk);

// TranslateCharsetInfo: a font charset number to its code page (0 when the
// charset names none: DEFAULT_CHARSET, SYMBOL_CHARSET...).
int CharsetToCodePage(int charset);

// The code point at text[i]; *units gets 2 for a surrogate pair, else 1 (an
// unpaired surrogate comes back as it stands).
inline char32_t CodePointAt(std::u16string_view text, size_t i, size_t* units = nullptr)
{
    const char16_t u = text[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        if (units) *units = 2;
        return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    }
    if (units) *units = 1;
    return u;
}
