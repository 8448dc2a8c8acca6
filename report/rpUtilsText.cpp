#include "rpUtilsText.h"

#include "StringLists.h"
#include "SysUtils.h"

Extended StrToFloatAnySep(std::string_view text)
{
    const char sep = FormatSettings().DecimalSeparator;
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == ' ') continue;
        s += (c == ',' || c == '.') ? sep : c;
    }
    return StrToFloat(s);
}

std::string FloatToStrPlain(Extended value)
{
    if (Int(value) == value) return FloatToStr(value);
    // What "%2.2f" gives: fixed, two decimals.
    return FloatToStrF(value, ffFixed, 18, 2);
}

namespace {

template <typename Char>
std::basic_string<Char> bracketed(std::basic_string_view<Char> s, std::basic_string_view<Char> open,
                                  std::basic_string_view<Char> close, int& end, int& start)
{
    // Positions are 1-based, as the callers count them.
    end = start;
    const int len = static_cast<int>(s.size());
    if (s.empty() || len < end || start < 1 || open.empty() || close.empty()) return {};
    if (s.substr(start - 1, open.size()) != open) return {};
    bool outsideDouble = true;
    bool outsideSingle = true;
    int depth = 0;
    // Every text of every printed row passes here: one-character
    // delimiters, the usual ones, are compared as characters.
    const auto startsAt = [s](int at, std::basic_string_view<Char> delimiter) {
        if (delimiter.size() == 1) return s[static_cast<size_t>(at)] == delimiter[0];
        return s.substr(static_cast<size_t>(at), delimiter.size()) == delimiter;
    };
    for (;;) {
        if (outsideDouble && outsideSingle) {
            if (startsAt(end - 1, open)) {
                if (depth == 0) start = end;
                ++depth;
            } else if (startsAt(end - 1, close)) {
                --depth;
            }
        }
        const Char c = s[end - 1];
        if (outsideSingle && c == Char('"')) outsideDouble = !outsideDouble;
        if (outsideDouble && c == Char('\'')) outsideSingle = !outsideSingle;
        if (depth == 0 || end >= len) break;
        ++end;
    }
    std::basic_string<Char> result;
    const int count = end - start - static_cast<int>(open.size());
    if (count > 0) result = std::basic_string<Char>(s.substr(start - 1 + open.size(), count));
    if (start != end) end += static_cast<int>(close.size()) - 1;
    return result;
}

}  // namespace

// With UTF-8 as the 8-bit code page no delimiter byte can stand inside a
// multibyte character, so the 8-bit form needs no lead-byte step.
std::string GetBracketedText(std::string_view text, std::string_view open, std::string_view close, int& end,
                             int& start)
{
    return bracketed<char>(text, open, close, end, start);
}

std::u16string GetBracketedTextW(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 int& end, int& start)
{
    return bracketed<char16_t>(text, open, close, end, start);
}

void ParsePageNumbers(std::string_view text, TStrings* pages, int pageCount)
{
    pages->Clear();
    std::string s;
    for (char c : text)
        if (c != ' ') s += c;
    if (s.empty()) return;
    if (s.back() == '-') s += IntToStr(pageCount);
    s += ',';
    bool range = false;
    int rangeStart = 1;
    size_t itemStart = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ',') {
            const int n = StrToInt(std::string_view(s).substr(itemStart, i - itemStart));
            itemStart = i + 1;
            if (!range) {
                pages->Add(IntToStr(n));
            } else {
                // Pages outside the report are never printed: "1-999999999"
                // must not list a billion numbers.
                const int from = rangeStart < 1 ? 1 : rangeStart;
                const int to = n > pageCount ? pageCount : n;
                for (int k = from; k <= to; ++k) pages->Add(IntToStr(k));
            }
            range = false;
        } else if (s[i] == '-') {
            range = true;
            rangeStart = StrToInt(std::string_view(s).substr(itemStart, i - itemStart));
            itemStart = i + 1;
        }
    }
}

void SetStringsFromDelimited(std::string_view text, TStrings* strings, char delimiter)
{
    strings->Clear();
    size_t start = 0;
    while (start < text.size()) {
        const size_t at = text.find(delimiter, start);
        if (at == std::string_view::npos) {
            strings->Add(std::string(text.substr(start)));
            break;
        }
        strings->Add(std::string(text.substr(start, at - start)));
        start = at + 1;
    }
}

