#include "rpRtfLexer.h"

#include <limits>

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

TRtfToken TRtfLexer::Next()
{
    TRtfToken t;
    // Line breaks between tokens carry no meaning in RTF.
    while (pos_ < in_.size() && (in_[pos_] == '\r' || in_[pos_] == '\n')) ++pos_;
    t.start = pos_;
    if (pos_ >= in_.size()) {
        t.end = pos_;
        return t;
    }
    const char c = in_[pos_];
    if (c == '{' || c == '}') {
        t.kind = c == '{' ? TRtfToken::Open : TRtfToken::Close;
        t.end = ++pos_;
        return t;
    }
    if (c != '\\') {
        size_t e = pos_;
        while (e < in_.size() && in_[e] != '\\' && in_[e] != '{' && in_[e] != '}' && in_[e] != '\r' && in_[e] != '\n')
            ++e;
        t.kind = TRtfToken::Text;
        t.bytes = in_.substr(pos_, e - pos_);
        t.end = pos_ = e;
        return t;
    }
    // A control word or symbol.
    ++pos_;
    if (pos_ >= in_.size()) {
        t.end = pos_;
        return t;  // a lone backslash at the end
    }
    const char s = in_[pos_];
    if (!isLetter(s)) {
        ++pos_;
        if (s == '\'') {
            const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            const int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
            if (hi >= 0 && lo >= 0) {
                t.kind = TRtfToken::Hex;
                t.hex = static_cast<uint8_t>(hi * 16 + lo);
                pos_ += 2;
                t.end = pos_;
                return t;
            }
            // A broken escape: keep what follows as text.
            t.kind = TRtfToken::Symbol;
            t.symbol = 0;
            t.end = pos_;
            return t;
        }
        t.kind = TRtfToken::Symbol;
        t.symbol = s;
        t.end = pos_;
        return t;
    }
    size_t e = pos_;
    while (e < in_.size() && isLetter(in_[e])) ++e;
    t.kind = TRtfToken::Word;
    t.word = in_.substr(pos_, e - pos_);
    pos_ = e;
    t.paramStart = pos_;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && in_[pos_ + 1] >= '0' && in_[pos_ + 1] <= '9') {
        negative = true;
        ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
        int64_t value = 0;
        while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
            // Saturate: a parameter never overflows, however many digits.
            if (value < (int64_t(1) << 40)) value = value * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative) value = -value;
        if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
        if (value < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
        t.hasParam = true;
        t.param = static_cast<int32_t>(value);
    }
    t.paramEnd = pos_;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    if (t.word == "bin" && t.hasParam) {
        // The payload is taken verbatim; a length past the end takes the rest.
        const size_t n = t.param > 0 ? static_cast<size_t>(t.param) : 0;
        const size_t take = n < in_.size() - pos_ ? n : in_.size() - pos_;
        t.kind = TRtfToken::Bin;
        t.bytes = in_.substr(pos_, take);
        pos_ += take;
    }
    t.end = pos_;
    return t;
}

bool IsRtfFontRefWord(std::string_view w)
{
    return w == "f" || w == "af" || w == "pnf";
}

bool IsRtfColorRefWord(std::string_view w)
{
    return w == "cf" || w == "cb" || w == "highlight" || w == "chcbpat" || w == "chcfpat" || w == "cbpat" ||
           w == "cfpat" || w == "brdrcf" || w == "ulc" || w == "clcbpat" || w == "clcfpat" || w == "trcbpat" ||
           w == "trcfpat";
}
