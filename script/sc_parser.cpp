#include "sc_parser.h"

#include <algorithm>
#include <charconv>

#include "CodePages.h"

namespace {

constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isHexDigit(unsigned char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
constexpr int hexValue(unsigned char c)
{
    return isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
}
constexpr bool isLineEnd(unsigned char c) { return c == '\r' || c == '\n'; }
constexpr bool isPunctuation(unsigned char c)
{
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
}

std::string asciiLower(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

}  // namespace

void scAppendCodePoint(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    std::u16string units;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        units.push_back(u'\uFFFD');
    } else if (cp >= 0x10000) {
        cp -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(cp));
    }
    out += Utf16ToUtf8(units);
}

bool TscKeywordSet::containsIgnoringCase(std::string_view word) const
{
    if (words.empty()) return false;
    // Keywords are short; a small stack copy keeps the test allocation-free.
    char buffer[32];
    if (word.size() > sizeof buffer) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        buffer[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return words.find(std::string(buffer, word.size())) != words.end();
}

TscParser::TscParser()
{
    Clear();
    SetText("");
}

void TscParser::Clear()
{
    CaseSensitive = 0;
    SkipEOL = 1;
    SkipSpace = 1;
    SpecStrChar = 0;
    UseY = 1;
    CommentLine1 = "//";
    CommentLine2.clear();
    HexSequence.assign(1, '$');
    SkipChar.clear();
    StringQuotes.assign(1, '\'');
    SetCommentBlock1("{,}");
    SetCommentBlock2("(*,*)");
    SetIdentifierCharset("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
    keywords_.reset();
    ownKeywords_.reset();
}

static void splitPair(std::string_view pair, std::string& open, std::string& close)
{
    const auto comma = pair.find(',');
    open = std::string(pair.substr(0, comma));
    close = comma == std::string_view::npos ? std::string() : std::string(pair.substr(comma + 1));
}

void TscParser::SetCommentBlock1(std::string_view pair) { splitPair(pair, blockOpen_[0], blockClose_[0]); }
void TscParser::SetCommentBlock2(std::string_view pair) { splitPair(pair, blockOpen_[1], blockClose_[1]); }

void TscParser::SetIdentifierCharset(std::string_view chars)
{
    IdentifierCharset.reset();
    for (unsigned char c : chars) IdentifierCharset.set(c);
}

void TscParser::AddExtendedCharset()
{
    for (int c = 128; c < 256; ++c) IdentifierCharset.set(c);
}

void TscParser::AddKeyword(std::string_view word)
{
    if (!ownKeywords_) {
        ownKeywords_ = keywords_ ? std::make_shared<TscKeywordSet>(*keywords_) : std::make_shared<TscKeywordSet>();
        keywords_ = ownKeywords_;
    }
    ownKeywords_->words.insert(asciiLower(word));
}

void TscParser::SetKeywords(std::shared_ptr<const TscKeywordSet> keywords)
{
    keywords_ = std::move(keywords);
    ownKeywords_.reset();
}

bool TscParser::IsKeyWord(std::string_view word) const
{
    if (!keywords_) return false;
    return CaseSensitive ? keywords_->containsExact(word) : keywords_->containsIgnoringCase(word);
}

void TscParser::SetText(std::string_view text)
{
    text_.assign(text);
    text_.push_back(' ');
    size_ = static_cast<int>(text_.size());
    position_ = lastPosition_ = 1;
    yList_.clear();
    if (UseY) {
        yList_.push_back(0);
        for (int i = 0; i < size_; ++i)
            if (text_[i] == '\n') yList_.push_back(i + 1);
    }
}

void TscParser::SetPosition(int position)
{
    position_ = lastPosition_ = position;
}

bool TscParser::textAt(int position, std::string_view s) const
{
    if (s.empty() || position < 1 || position - 1 + static_cast<int>(s.size()) > size_) return false;
    return std::string_view(text_).substr(position - 1, s.size()) == s;
}

bool TscParser::skipLineComment(const std::string& opener)
{
    if (!textAt(position_, opener)) return false;
    // An opener that ends like a word ("rem") opens a comment only as a whole word.
    const int after = position_ + static_cast<int>(opener.size());
    if (IdentifierCharset[static_cast<unsigned char>(opener.back())] && isIdentChar(after)) return false;
    const bool startsLine = position_ == 1 || at(position_ - 1) == '\n';
    int p = after;
    while (!atEnd(p) && at(p) != '\n') {
        if (SkipEOL == 0 && !startsLine && at(p) == '\r') break;
        ++p;
    }
    position_ = p;
    return true;
}

bool TscParser::skipBlockComment(int which)
{
    const std::string& open = blockOpen_[which];
    if (!textAt(position_, open)) return false;
    const std::string& close = blockClose_[which];
    const size_t from = static_cast<size_t>(position_ - 1) + open.size();
    const size_t found = close.empty() ? std::string::npos : text_.find(close, from);
    position_ = found == std::string::npos ? size_ + 1 : static_cast<int>(found + close.size()) + 1;
    return true;
}

bool TscParser::skipContinuation()
{
    if (SkipChar.empty() || at(position_) != static_cast<unsigned char>(SkipChar[0]) || atEnd(position_)) return false;
    // Only a continuation character that ends its line continues it; one that
    // starts a word ("_name") is part of that word.
    int p = position_ + 1;
    while (!atEnd(p) && at(p) <= ' ' && !isLineEnd(at(p))) ++p;
    if (!atEnd(p) && !isLineEnd(at(p))) return false;
    while (!atEnd(p) && isLineEnd(at(p))) ++p;
    position_ = p;
    return true;
}

void TscParser::SkipSpaces()
{
    for (;;) {
        while (!atEnd(position_)) {
            const unsigned char c = at(position_);
            if (c > ' ' || (SkipEOL == 0 && isLineEnd(c))) break;
            ++position_;
        }
        if (atEnd(position_)) break;
        if (skipContinuation()) continue;
        if (!CommentLine1.empty() && skipLineComment(CommentLine1)) continue;
        if (!CommentLine2.empty() && skipLineComment(CommentLine2)) continue;
        if (skipBlockComment(0) || skipBlockComment(1)) continue;
        break;
    }
    lastPosition_ = position_;
}

bool TscParser::GetEOL()
{
    SkipSpaces();
    if (atEnd(position_) || !isLineEnd(at(position_))) return false;
    while (!atEnd(position_) && isLineEnd(at(position_))) ++position_;
    return true;
}

std::string TscParser::readWord()
{
    if (SkipSpace) SkipSpaces();
    lastPosition_ = position_;
    if (!isIdentChar(position_) || isDigit(at(position_))) return {};
    int p = position_;
    while (isIdentChar(p)) ++p;
    std::string word = text_.substr(position_ - 1, p - position_);
    position_ = p;
    return word;
}

std::string TscParser::GetWord()
{
    return readWord();
}

std::string TscParser::GetIdent()
{
    std::string word = readWord();
    if (!word.empty() && IsKeyWord(word)) return {};
    return word;
}

std::string TscParser::GetChar()
{
    if (SkipSpace) SkipSpaces();
    lastPosition_ = position_;
    if (atEnd(position_) || !isPunctuation(at(position_))) return {};
    return std::string(1, static_cast<char>(at(position_++)));
}

bool TscParser::readNumberBody(bool& hex)
{
    int p = position_;
    hex = !HexSequence.empty() && textAt(p, HexSequence);
    if (hex) {
        p += static_cast<int>(HexSequence.size());
        if (!isHexDigit(at(p)) || atEnd(p)) return false;
        while (!atEnd(p) && isHexDigit(at(p))) ++p;
    } else {
        if (atEnd(p) || !isDigit(at(p))) return false;
        while (!atEnd(p) && isDigit(at(p))) ++p;
    }
    position_ = p;
    return true;
}

std::string TscParser::GetNumber()
{
    if (SkipSpace) SkipSpaces();
    lastPosition_ = position_;
    bool hex = false;
    if (!readNumberBody(hex)) return {};
    // A point not followed by a digit stays unread (ranges such as 1..5).
    if (at(position_) == '.' && !atEnd(position_ + 1) && isDigit(at(position_ + 1))) {
        position_ += 2;
        while (!atEnd(position_) && isDigit(at(position_))) ++position_;
    }
    if (at(position_) == 'e' || at(position_) == 'E') {
        int p = position_ + 1;
        if (at(p) == '+' || at(p) == '-') ++p;
        if (!atEnd(p) && isDigit(at(p))) {
            while (!atEnd(p) && isDigit(at(p))) ++p;
            position_ = p;
        }
    }
    std::string token = text_.substr(lastPosition_ - 1, position_ - lastPosition_);
    if (HexSequence == "$" || HexSequence.empty() || token.find(HexSequence) == std::string::npos) return token;
    std::string normalised;
    size_t from = 0;
    for (size_t at = token.find(HexSequence); at != std::string::npos; at = token.find(HexSequence, from)) {
        normalised.append(token, from, at - from);
        normalised.push_back('$');
        from = at + HexSequence.size();
    }
    normalised.append(token, from, std::string::npos);
    return normalised;
}

// One quoted piece at Position; false (Position unchanged) when it is not
// closed on its line.
bool TscParser::readStringPiece(std::string& out)
{
    const unsigned char quote = static_cast<unsigned char>(StringQuotes[0]);
    int p = position_ + 1;
    std::string piece;
    for (;;) {
        if (atEnd(p)) return false;
        const unsigned char c = at(p);
        if (c == quote) {
            if (SpecStrChar == 0 && at(p + 1) == quote && !atEnd(p + 1)) {
                piece.push_back(static_cast<char>(quote));
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (c < 9 || (c >= 10 && c <= 31)) return false;
        if (SpecStrChar != 0 && c == '\\') {
            if (atEnd(p + 1)) return false;
            const unsigned char e = at(p + 1);
            p += 2;
            if (e == 'n') {
                piece.push_back('\n');
            } else if (e == 'r') {
                piece.push_back('\r');
            } else if (e == 'x' && isHexDigit(at(p)) && !atEnd(p)) {
                // At most two digits: a byte, as in C.
                int code = 0;
                for (int n = 0; n < 2 && !atEnd(p) && isHexDigit(at(p)); ++n) code = code * 16 + hexValue(at(p++));
                piece.push_back(static_cast<char>(code));
            } else {
                if (e < 9 || (e >= 10 && e <= 31)) return false;
                piece.push_back(static_cast<char>(e));
            }
            continue;
        }
        piece.push_back(static_cast<char>(c));
        ++p;
    }
    out += piece;
    position_ = p;
    return true;
}

// "#" and a number: the character of that code point.
bool TscParser::readCharCodePiece(std::string& out)
{
    const int start = position_;
    ++position_;
    bool hex = false;
    const int digitsFrom = position_;
    if (!readNumberBody(hex)) {
        position_ = start;
        return false;
    }
    uint64_t code = 0;
    for (int p = digitsFrom + (hex ? static_cast<int>(HexSequence.size()) : 0); p < position_; ++p) {
        code = code * (hex ? 16 : 10) + static_cast<uint64_t>(hexValue(at(p)));
        if (code > 0x10FFFF) code = 0x110000;  // saturates; encodes as U+FFFD
    }
    scAppendCodePoint(out, static_cast<uint32_t>(code));
    return true;
}

std::string TscParser::GetString()
{
    if (SkipSpace) SkipSpaces();
    lastPosition_ = position_;
    if (StringQuotes.empty()) return {};
    const unsigned char quote = static_cast<unsigned char>(StringQuotes[0]);
    std::string value;
    bool any = false;
    while (!atEnd(position_)) {
        const unsigned char c = at(position_);
        if (c == quote) {
            if (!readStringPiece(value)) break;
        } else if (c == '#') {
            if (!readCharCodePiece(value)) break;
        } else {
            break;
        }
        any = true;
    }
    if (!any) return {};
    return "'" + value + "'";
}

std::string TscParser::GetRPString()
{
    const int start = position_;
    int depth = 1;
    bool inSingle = false;
    bool inDouble = false;
    int p = start;
    for (; !atEnd(p); ++p) {
        const unsigned char c = at(p);
        if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (!inSingle && !inDouble) {
            if (c == '<') {
                ++depth;
            } else if (c == '>' && --depth == 0) {
                break;
            }
        }
    }
    position_ = p;
    lastPosition_ = start;
    return text_.substr(start - 1, p - start);
}

void TscParser::GetXY(int position, int& line, int& col) const
{
    if (UseY && !yList_.empty()) {
        // Entries after the leading 0 are the positions of the line feeds.
        const auto it = std::lower_bound(yList_.begin() + 1, yList_.end(), position);
        line = static_cast<int>(it - yList_.begin());
        col = position - yList_[line - 1];
        return;
    }
    line = 1;
    int lineStart = 0;
    for (int p = 1; p < position && p <= size_; ++p)
        if (text_[p - 1] == '\n') {
            ++line;
            lineStart = p;
        }
    col = position - lineStart;
}

std::string scFormatPosition(int line, int col)
{
    char first[12];
    char second[12];
    const char* firstEnd = std::to_chars(first, first + sizeof first, line).ptr;
    const char* secondEnd = std::to_chars(second, second + sizeof second, col).ptr;
    std::string text(first, static_cast<size_t>(firstEnd - first));
    text.push_back(':');
    text.append(second, static_cast<size_t>(secondEnd - second));
    return text;
}

std::string TscParser::GetXYPosition(int position) const
{
    int line = 0;
    int col = 0;
    GetXY(position, line, col);
    return scFormatPosition(line, col);
}

int TscParser::GetPlainPosition(int x, int y) const
{
    if (y < 1 || y > static_cast<int>(yList_.size())) return -1;
    return yList_[y - 1] + x;
}
