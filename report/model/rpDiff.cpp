#include "rpDiff.h"

#include <charconv>

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
