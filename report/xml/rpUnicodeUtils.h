#pragma once
// The report library's wide string list (the lines of every text object)
// and conversions between 8-bit text and UTF-16 by code page or by font
// character set, on the platform's code page module.

#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"
#include "Streams.h"
#include "StringLists.h"

class TWideStrings : public TPersistent {
    DORVAK_CLASS(TWideStrings, TPersistent)
public:
    void Clear() { lines_.clear(); }
    int Add(std::u16string_view text);
    int AddObject(std::u16string_view text, TObject* object);
    // Index checked: outside 0..Count-1 raises EListError.
    void Delete(int index);
    // First line equal to the text (case-sensitive), -1 when none.
    int IndexOf(std::u16string_view text) const;
    int Count() const { return static_cast<int>(lines_.size()); }

    // Empty text outside 0..Count-1.
    std::u16string Strings(int index) const;
    // The same without a copy; valid until the list changes.
    std::u16string_view View(int index) const
    {
        return index >= 0 && index < Count() ? std::u16string_view(lines_[static_cast<size_t>(index)].text)
                                             : std::u16string_view();
    }
    // Replaces a line; index Count appends; any other index raises
    // "Wide String Out of Bounds".
    void SetStrings(int index, std::u16string_view text);
    // Inserts before the line at index (Count appends); another index
    // raises "Wide String Out of Bounds".
    void Insert(int index, std::u16string_view text);
    // Nil outside the range; writing outside the range is ignored.
    TObject* Objects(int index) const;
    void SetObjects(int index, TObject* object);

    // All lines, each followed by CR LF.
    std::u16string Text() const;
    // Splits at LF, CR or U+2028; after a line one CR, then one LF, then
    // one U+2028 are skipped.
    void SetText(std::u16string_view text);

    // From another wide list, or from a platform string list converting
    // each line from the platform's code page (UTF-8).
    void Assign(const TPersistent* source) override;

    // FF FE and UTF-16LE when more than two bytes start so; else 8-bit text.
    void LoadFromStream(TStream& stream);
    // FF FE, then Text as UTF-16LE.
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    bool operator==(const TWideStrings& other) const;

protected:
    // To a platform string list, each line converted to 8-bit text.
    void AssignTo(TPersistent* dest) const override;

private:
    struct Line {
        std::u16string text;
        TObject* object = nullptr;
        bool operator==(const Line&) const = default;
    };
    std::vector<Line> lines_;
};

// Published as a wide string list: the serializer leaves it to the text
// object that holds it.
template <>
struct ObjectPropKind<TWideStrings> {
    static constexpr TPropKind value = pkWideStrings;
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
