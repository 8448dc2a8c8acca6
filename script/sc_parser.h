#pragma once
// The configurable scanner under every script language. It has no token
// stream: the grammar engine asks, at a position, for one token of a given
// class and backtracks by setting the position back. Positions are 1-based
// byte indices into Text; columns therefore count bytes of the UTF-8 text.

#include <bitset>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Keyword sets are shared between the tokenizers of one grammar. Words are
// kept in lower case, as grammars name them.
struct TscKeywordSet {
    std::unordered_set<std::string> words;
    bool containsExact(std::string_view word) const { return words.find(std::string(word)) != words.end(); }
    bool containsIgnoringCase(std::string_view word) const;
};

class TscParser {
public:
    TscParser();

    // Restores the default settings and empties the keyword list.
    void Clear();

    // ---- settings
    uint8_t CaseSensitive = 0;
    uint8_t SkipEOL = 1;
    uint8_t SkipSpace = 1;
    uint8_t SpecStrChar = 0;
    uint8_t UseY = 1;
    std::string CommentLine1;
    std::string CommentLine2;
    std::string HexSequence;
    std::string SkipChar;
    std::string StringQuotes;
    std::bitset<256> IdentifierCharset;

    // "open,close"; a missing half is empty.
    void SetCommentBlock1(std::string_view pair);
    void SetCommentBlock2(std::string_view pair);
    std::string CommentBlock1() const { return blockOpen_[0] + "," + blockClose_[0]; }
    std::string CommentBlock2() const { return blockOpen_[1] + "," + blockClose_[1]; }
    // The set of exactly the characters of the string.
    void SetIdentifierCharset(std::string_view chars);
    // Adds the bytes 128-255 (the parts of UTF-8 multibyte characters).
    void AddExtendedCharset();

    void AddKeyword(std::string_view word);
    // Shares a keyword set built once for a grammar (replaces the list).
    void SetKeywords(std::shared_ptr<const TscKeywordSet> keywords);
    bool IsKeyWord(std::string_view word) const;

    // ---- text and position
    // Stores the text with one trailing space, positions at 1.
    void SetText(std::string_view text);
    const std::string& Text() const { return text_; }
    int Size() const { return size_; }
    int Position() const { return position_; }
    int LastPosition() const { return lastPosition_; }
    // Sets both Position and LastPosition.
    void SetPosition(int position);

    // ---- readers; each skips white space and comments first when SkipSpace is 1
    void SkipSpaces();
    bool GetEOL();
    std::string GetIdent();
    std::string GetWord();
    std::string GetChar();
    std::string GetNumber();
    std::string GetString();
    std::string GetRPString();

    // "line:col" of Position (or of the given position), both 1-based.
    std::string GetXYPosition() const { return GetXYPosition(position_); }
    std::string GetXYPosition(int position) const;
    void GetXY(int position, int& line, int& col) const;
    // Position of (column x, line y); -1 when the line is out of range.
    int GetPlainPosition(int x, int y) const;

private:
    unsigned char at(int position) const
    {
        return position >= 1 && position <= size_ ? static_cast<unsigned char>(text_[position - 1]) : 0;
    }
    bool atEnd(int position) const { return position > size_; }
    bool textAt(int position, std::string_view s) const;
    bool isIdentChar(int position) const { return !atEnd(position) && IdentifierCharset[at(position)]; }
    bool skipLineComment(const std::string& opener);
    bool skipBlockComment(int which);
    bool skipContinuation();
    std::string readWord();
    // Reads the digits of a number (decimal or hexadecimal) at Position
    // without skipping; false (and Position unchanged) when there are none.
    bool readNumberBody(bool& hex);
    bool readStringPiece(std::string& out);
    bool readCharCodePiece(std::string& out);

    std::string blockOpen_[2];
    std::string blockClose_[2];
    std::shared_ptr<const TscKeywordSet> keywords_;
    std::shared_ptr<TscKeywordSet> ownKeywords_;  // when keywords are added one by one

    std::string text_;
    int size_ = 0;
    int position_ = 1;
    int lastPosition_ = 1;
    std::vector<int> yList_;
};

// "line:col", as positions are written everywhere in the engine.
std::string scFormatPosition(int line, int col);

// Appends the UTF-8 form of a Unicode code point (invalid ones as U+FFFD).
void scAppendCodePoint(std::string& out, uint32_t codePoint);
