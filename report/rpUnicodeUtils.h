#pragma once
// The report library's wide string list (the lines of every text object)
// and conversions between 8-bit text and UTF-16 by code page or by font
// character set, on the platform's code page module.

#include <string>
#include <string_view>
#include <vector>

#include "TEMP_stub_streams.h"

class TWideStrings {
public:
    void Clear() { lines_.clear(); }
    int Add(std::u16string_view text);
    int AddObject(std::u16string_view text, void* object);
    // Index checked: outside 0..Count-1 raises EListError.
    void Delete(int index);
    // First line equal to the text (case-sensitive), -1 when none.
    int IndexOf(std::u16string_view text) const;
    int Count() const { return static_cast<int>(lines_.size()); }

    // Empty text outside 0..Count-1.
    std::u16string Strings(int index) const;
    // Replaces a line; index Count appends; any other index raises
    // "Wide String Out of Bounds".
    void SetStrings(int index, std::u16string_view text);
    // Nil outside the range; writing outside the range is ignored.
    void* Objects(int index) const;
    void SetObjects(int index, void* object);

    // All lines, each followed by CR LF.
    std::u16string Text() const;
    // Splits at LF, CR or U+2028; after a line one CR, then one LF, then
    // one U+2028 are skipped.
    void SetText(std::u16string_view text);

    void Assign(const TWideStrings& source) { lines_ = source.lines_; }
    // 8-bit lines (the platform's code page: UTF-8) to and from wide lines.
    void AssignFromAnsi(const std::vector<std::string>& lines);
    std::vector<std::string> ToAnsi() const;

    // FF FE and UTF-16LE when more than two bytes start so; else 8-bit text.
    void LoadFromStream(TStream& stream);
    // FF FE, then Text as UTF-16LE.
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    bool operator==(const TWideStrings& other) const;

private:
    struct Line {
        std::u16string text;
        void* object = nullptr;
        bool operator==(const Line&) const = default;
    };
    std::vector<Line> lines_;
};

// Code page 0 means: derived from the character set. Characters the code
// page cannot hold become '?'; bytes it cannot read become U+FFFD.
std::u16string AnsiToUnicode(std::string_view text, int charset, int codePage = 0);
std::string UnicodeToAnsi(std::u16string_view text, int charset, int codePage = 0);
// 1 (default) gives the platform's ANSI code page, 77 Macintosh, 255 OEM;
// a character set the platform does not know raises EConvertError.
int CharsetToCP(int charset);
// The locale id a text object formats values with for a font character set.
int CharsetToLCID(int charset);
