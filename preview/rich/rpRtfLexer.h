#pragma once
// Tokens of RTF text, shared by the reader and by the writer (which
// renumbers the font and colour references of groups it keeps verbatim).
// The lexer never recurses and never reads past its input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct TRtfToken {
    enum Kind { End, Open, Close, Word, Symbol, Hex, Text, Bin };
    Kind kind = End;
    std::string_view word;   // Word: the letters
    bool hasParam = false;
    int32_t param = 0;
    char symbol = 0;         // Symbol: the character after the backslash
    uint8_t hex = 0;         // Hex: the byte of \'hh
    std::string_view bytes;  // Text: a run of plain bytes; Bin: the payload
    size_t start = 0;        // offsets into the input
    size_t paramStart = 0;   // Word: where the digits (and sign) start and end
    size_t paramEnd = 0;
    size_t end = 0;
};

class TRtfLexer {
public:
    explicit TRtfLexer(std::string_view input, size_t pos = 0) : in_(input), pos_(pos) {}

    TRtfToken Next();
    size_t Position() const { return pos_; }

private:
    std::string_view in_;
    size_t pos_;
};

// Words that name a font or a colour table entry by index.
bool IsRtfFontRefWord(std::string_view word);
bool IsRtfColorRefWord(std::string_view word);

// The group with every font and colour reference renumbered by the map
// (isFont, index) -> new index; all other bytes stay as they are.
template <typename Map>
std::string RewriteRtfRefs(std::string_view group, Map&& map)
{
    std::string out;
    out.reserve(group.size());
    TRtfLexer lexer(group);
    size_t copied = 0;
    for (TRtfToken t = lexer.Next(); t.kind != TRtfToken::End; t = lexer.Next()) {
        // A word without a number means entry 0, and gets its number written.
        if (t.kind != TRtfToken::Word) continue;
        const bool font = IsRtfFontRefWord(t.word);
        if (!font && !IsRtfColorRefWord(t.word)) continue;
        out.append(group.substr(copied, t.paramStart - copied));
        out += std::to_string(map(font, t.param));
        copied = t.paramEnd;
    }
    out.append(group.substr(copied));
    return out;
}
