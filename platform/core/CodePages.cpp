#include "CodePages.h"

#include <cerrno>
#include <iconv.h>

#include <map>
#include <memory>
#include <mutex>

#include "Exceptions.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one code point from UTF-8 at s[i]; returns false (and the number
// of bytes to skip, always 1) on a malformed sequence.
bool decodeUtf8(std::string_view s, size_t& i, char32_t& cp) noexcept
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + len > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += len;
    return true;
}

void appendUtf8(std::string& out, char32_t cp)
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

// Code page number to the iconv name that matches the platform's table.
const char* iconvName(int codePage)
{
    switch (codePage) {
    case 936: return "CP936";
    case 54936: return "GB18030";
    case 932: return "CP932";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1361: return "JOHAB";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 866: return "CP866";
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 20932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    default: return nullptr;
    }
}

// One iconv pair per code page, opened on first use. iconv descriptors keep
// shift state, so each use is serialised and reset.
struct Converter {
    iconv_t toWide = reinterpret_cast<iconv_t>(-1);
    iconv_t fromWide = reinterpret_cast<iconv_t>(-1);
    std::mutex lock;
    ~Converter()
    {
        if (toWide != reinterpret_cast<iconv_t>(-1)) iconv_close(toWide);
        if (fromWide != reinterpret_cast<iconv_t>(-1)) iconv_close(fromWide);
    }
};

std::mutex g_tableLock;

int resolveCodePage(int codePage)
{
    switch (codePage) {
    case CP_ACP: return CP_UTF8;
    case 1: return 936;    // the OEM code page of a Chinese (PRC) workstation
    case 2: return 10000;  // the Macintosh code page
    case 3: return CP_UTF8;  // the thread's ANSI code page
    default: return codePage;
    }
}

Converter& converterFor(int codePage)
{
    static std::map<int, std::unique_ptr<Converter>> table;
    std::lock_guard guard(g_tableLock);
    auto& slot = table[codePage];
    if (!slot) {
        const char* name = iconvName(codePage);
        if (!name) {
            table.erase(codePage);
            throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
        }
        auto conv = std::make_unique<Converter>();
        conv->toWide = iconv_open("UTF-16LE", name);
        conv->fromWide = iconv_open(name, "UTF-16LE");
        if (conv->toWide == reinterpret_cast<iconv_t>(-1) || conv->fromWide == reinterpret_cast<iconv_t>(-1)) {
            table.erase(codePage);
            throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
        }
        slot = std::move(conv);
    }
    return *slot;
}

std::string hex4(uint32_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    int width = v > 0xFFFF ? 6 : 4;
    for (int k = width - 1; k >= 0; --k) s += digits[(v >> (4 * k)) & 0xF];
    return s;
}

// Encodes UTF-16 into a code page. On an unmappable character either
// substitutes '?' or raises, as the caller asks.
std::string encode(int codePage, std::u16string_view text, bool strict, bool* lossy)
{
    if (lossy) *lossy = false;
    const int cp = resolveCodePage(codePage);
    if (cp == CP_UTF8) return Utf16ToUtf8(text);
    if (cp == CP_SYMBOL) {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text) {
            if (c >= 0xF000 && c <= 0xF0FF) {
                out += static_cast<char>(c - 0xF000);
            } else if (c < 0x20) {
                out += static_cast<char>(c);
            } else if (strict) {
                throw EConvertError("Character U+" + hex4(c) + " cannot be represented in code page 42");
            } else {
                if (lossy) *lossy = true;
                out += '?';
            }
        }
        return out;
    }
    Converter& conv = converterFor(cp);
    std::lock_guard guard(conv.lock);
    iconv(conv.fromWide, nullptr, nullptr, nullptr, nullptr);

    std::string out;
    out.reserve(text.size() * 2);
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t inLeft = text.size() * 2;
    char buffer[256];
    // Writes what a stateful encoding needs to end its shift state.
    const auto flush = [&] {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(conv.fromWide, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
    };
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(conv.fromWide, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: a character the code page cannot hold, or an
        // unpaired surrogate at the end.
        const char16_t* at = reinterpret_cast<const char16_t*>(in);
        size_t units = 1;
        uint32_t cpValue = *at;
        if (*at >= 0xD800 && *at <= 0xDBFF && inLeft >= 4 && at[1] >= 0xDC00 && at[1] <= 0xDFFF) {
            units = 2;
            cpValue = 0x10000 + ((at[0] - 0xD800) << 10) + (at[1] - 0xDC00);
        }
        if (strict)
            throw EConvertError("Character U+" + hex4(cpValue) + " cannot be represented in code page " +
                                std::to_string(cp));
        if (lossy) *lossy = true;
        // Back to the initial shift state before the '?', which is ASCII.
        flush();
        out += '?';
        in += units * 2;
        inLeft -= units * 2;
    }
    flush();
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        char32_t cp;
        if (!decodeUtf8(s, i, cp)) {
            out += kReplacement;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size() * 3 / 2 + 1);
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

bool Utf8Decode(std::string_view s, size_t& i, char32_t& cp) noexcept
{
    return decodeUtf8(s, i, cp);
}

void Utf8Append(std::string& out, char32_t cp)
{
    appendUtf8(out, cp);
}

bool IsValidUtf8(std::string_view s)
{
    size_t i = 0;
    char32_t cp;
    while (i < s.size())
        if (!decodeUtf8(s, i, cp)) return false;
    return true;
}

int GetACP()
{
    return CP_UTF8;
}

std::u16string MultiByteToWide(int codePage, std::string_view bytes)
{
    const int cp = resolveCodePage(codePage);
    if (cp == CP_UTF8) return Utf8ToUtf16(bytes);
    if (cp == CP_SYMBOL) {
        std::u16string out(bytes.size(), u'\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            out[i] = static_cast<char16_t>(0xF000 + static_cast<unsigned char>(bytes[i]));
        return out;
    }
    Converter& conv = converterFor(cp);
    std::lock_guard guard(conv.lock);
    iconv(conv.toWide, nullptr, nullptr, nullptr, nullptr);

    std::u16string out;
    out.reserve(bytes.size());
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    char16_t buffer[128];
    // Some decoders (Vietnamese, Hebrew) hold a letter back to compose it
    // with a combining mark that may follow: it is let go at the end and
    // before a replacement, not thrown away with the state.
    const auto flush = [&] {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        iconv(conv.toWide, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, (reinterpret_cast<char16_t*>(outPtr) - buffer));
    };
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        size_t r = iconv(conv.toWide, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, (reinterpret_cast<char16_t*>(outPtr) - buffer));
        if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // A byte that starts no valid sequence, or a truncated sequence at
        // the end: one replacement character per byte.
        flush();
        out += kReplacement;
        ++in;
        --inLeft;
    }
    flush();
    return out;
}

std::string WideToMultiByte(int codePage, std::u16string_view text, bool* lossy)
{
    return encode(codePage, text, false, lossy);
}

std::string WideToMultiByteStrict(int codePage, std::u16string_view text)
{
    return encode(codePage, text, true, nullptr);
}

std::string Utf8ToGbkStrict(std::string_view utf8)
{
    if (!IsValidUtf8(utf8)) throw EConvertError("Text is not valid UTF-8");
    return encode(CP_GBK, Utf8ToUtf16(utf8), true, nullptr);
}

std::string GbkToUtf8(std::string_view gbk)
{
    return Utf16ToUtf8(MultiByteToWide(CP_GBK, gbk));
}

int CharsetToCodePage(int charset)
{
    switch (charset) {
    case 0: return 1252;    // ANSI_CHARSET
    case 1: return GetACP();  // DEFAULT_CHARSET
    case 2: return 42;      // SYMBOL_CHARSET
    case 77: return 2;      // MAC_CHARSET: the Macintosh code page
    case 128: return 932;   // SHIFTJIS_CHARSET
    case 129: return 949;   // HANGEUL_CHARSET
    case 130: return 1361;  // JOHAB_CHARSET
    case 134: return 936;   // GB2312_CHARSET
    case 136: return 950;   // CHINESEBIG5_CHARSET
    case 161: return 1253;  // GREEK_CHARSET
    case 162: return 1254;  // TURKISH_CHARSET
    case 163: return 1258;  // VIETNAMESE_CHARSET
    case 177: return 1255;  // HEBREW_CHARSET
    case 178: return 1256;  // ARABIC_CHARSET
    case 186: return 1257;  // BALTIC_CHARSET
    case 204: return 1251;  // RUSSIAN_CHARSET
    case 222: return 874;   // THAI_CHARSET
    case 238: return 1250;  // EASTEUROPE_CHARSET
    case 255: return 1;     // OEM_CHARSET: the OEM code page
    default: return 0;
    }
}
