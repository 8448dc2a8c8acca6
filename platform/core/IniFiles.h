#pragma once
// Ini files: "[Section]" headers followed by "name=value" lines. Our own
// reader and writer: a write changes only the line it touches, so a file
// keeps its comments, order, line breaks and bytes. Section and key names
// ignore case; names and values are trimmed; ';' starts a comment line.
//
// TIniFile reads the file on every call and writes it back on every
// change, and strips one pair of enclosing quotes from a value it reads.
// TMemIniFile holds the file in memory (loaded by its constructor) and
// writes it only in UpdateFile. A file name without a folder is taken
// relative to the working folder.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Exceptions.h"
#include "Reflection.h"
#include "Variant.h"

class TStream;
class TStrings;

DORVAK_DECLARE_EXCEPTION(EIniFileException, Exception)

// The lines of one ini file and the edits on them.
class TIniText {
public:
    void SetText(std::string_view text);
    // The lines joined with the file's own line break ("\n" for a new file).
    std::string Text() const;
    void Clear();
    const std::vector<std::string>& Lines() const noexcept { return lines_; }

    // The trimmed value; false when the section or key is missing.
    bool Read(std::string_view section, std::string_view ident, std::string& value) const;
    // A line break left in the trimmed section, key or value raises
    // EIniFileException naming the key; nothing is written.
    void Write(std::string_view section, std::string_view ident, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view ident);
    // Removes every section of that name with its lines.
    void EraseSection(std::string_view section);
    // Keys of the section in file order (the first section of that name).
    std::vector<std::string> Keys(std::string_view section) const;
    std::vector<std::string> Sections() const;

private:
    static constexpr size_t npos = static_cast<size_t>(-1);
    size_t findSection(std::string_view section) const;
    size_t sectionEnd(size_t header) const;
    size_t findKey(size_t header, std::string_view ident) const;

    std::vector<std::string> lines_;
    std::string lineBreak_ = "\n";
    bool byteOrderMark_ = false;
    bool finalBreak_ = true;
};

class TCustomIniFile : public TObject {
    DORVAK_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const noexcept { return fileName_; }

    virtual std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) = 0;
    virtual void WriteString(std::string_view section, std::string_view ident, std::string_view value) = 0;
    // The section's keys, its "key=value" lines, the section names.
    virtual void ReadSection(std::string_view section, TStrings* strings) = 0;
    virtual void ReadSections(TStrings* strings) = 0;
    virtual void ReadSectionValues(std::string_view section, TStrings* strings);
    virtual void EraseSection(std::string_view section) = 0;
    virtual void DeleteKey(std::string_view section, std::string_view ident) = 0;
    virtual void UpdateFile() = 0;

    // True when the section holds at least one key.
    bool SectionExists(std::string_view section);
    bool ValueExists(std::string_view section, std::string_view ident);

    // Each returns its default for a missing key or a value that does not
    // convert. Integers also read "0x" and "$" hexadecimal; Booleans are
    // integers (0 false); dates, times and floats use the fixed regional
    // settings.
    int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t def);
    void WriteInteger(std::string_view section, std::string_view ident, int32_t value);
    bool ReadBool(std::string_view section, std::string_view ident, bool def);
    void WriteBool(std::string_view section, std::string_view ident, bool value);
    TDateTime ReadDate(std::string_view section, std::string_view ident, TDateTime def);
    void WriteDate(std::string_view section, std::string_view ident, TDateTime value);
    TDateTime ReadDateTime(std::string_view section, std::string_view ident, TDateTime def);
    void WriteDateTime(std::string_view section, std::string_view ident, TDateTime value);
    TDateTime ReadTime(std::string_view section, std::string_view ident, TDateTime def);
    void WriteTime(std::string_view section, std::string_view ident, TDateTime value);
    double ReadFloat(std::string_view section, std::string_view ident, double def);
    void WriteFloat(std::string_view section, std::string_view ident, double value);
    // Bytes as hexadecimal text. Reading writes them into the stream at its
    // position, leaves the position there and returns their number;
    // writing takes the stream from its position to its end.
    int ReadBinaryStream(std::string_view section, std::string_view ident, TStream* value);
    void WriteBinaryStream(std::string_view section, std::string_view ident, TStream* value);

    static void Publish(TClassBuilder<TCustomIniFile>& b) { b.abstract(); }

private:
    std::string fileName_;
};

class TMemIniFile : public TCustomIniFile {
    DORVAK_CLASS(TMemIniFile, TCustomIniFile)
public:
    // Loads the file when it exists.
    explicit TMemIniFile(std::string fileName);

    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) override;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value) override;
    void ReadSection(std::string_view section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void EraseSection(std::string_view section) override;
    void DeleteKey(std::string_view section, std::string_view ident) override;
    // Writes the contents to FileName.
    void UpdateFile() override;

    void Clear() { text_.Clear(); }
    // The contents as lines, and replaced by lines.
    void GetStrings(TStrings* list) const;
    void SetStrings(const TStrings* list);

private:
    TIniText text_;
};

class TIniFile : public TCustomIniFile {
    DORVAK_CLASS(TIniFile, TCustomIniFile)
public:
    explicit TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {}

    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) override;
    // A file that cannot be written raises EIniFileException "Unable to
    // write to %s".
    void WriteString(std::string_view section, std::string_view ident, std::string_view value) override;
    void ReadSection(std::string_view section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void EraseSection(std::string_view section) override;
    void DeleteKey(std::string_view section, std::string_view ident) override;
    // Every change is on disk already.
    void UpdateFile() override {}

    // The file's text ("" when it does not exist) and its replacement.
    std::string ReadFileText() const;
    void WriteFileText(const std::string& text) const;

private:
    TIniText load() const;
    void save(const TIniText& text) const;
};

// Registers the three ini classes (called by registerCoreClasses).
void registerIniFileClasses();
void unregisterIniFileClasses();
