#pragma once
// The script engine's small XML tree: grammars are read into it and the
// intermediate program is built in it. An element keeps its attributes as
// one raw text; the reader skips element content and comments; the writer
// can indent.

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "Reflection.h"

// Both classes are reflected objects so that scripts hold them as checked
// handles (registered with the classes module, sc_classesrtti.h).
class TscXMLItem : public TObject {
    DORVAK_CLASS(TscXMLItem, TObject)
public:
    TscXMLItem() = default;
    // Frees the children and takes the element out of its parent's list.
    ~TscXMLItem() override;

    void* Data = nullptr;
    std::string Name;
    TscXMLItem* Parent = nullptr;
    // Attribute part of the start tag: name="value" pairs, values escaped.
    std::string Text;

    // A new child appended at the end.
    TscXMLItem* Add();
    // Appends item (taking ownership), removing it from its old parent.
    void AddItem(TscXMLItem* item);
    void InsertItem(int index, TscXMLItem* item);
    void Clear();
    int Count() const { return static_cast<int>(children_.size()); }
    // Raises EListError when the index is out of range.
    TscXMLItem* Items(int index) const;
    // Index of the first child named so (ignoring case), -1 when none.
    int Find(std::string_view name) const;
    // That child; a new child of that name when there is none.
    TscXMLItem* FindItem(std::string_view name);
    TscXMLItem* Root();
    // Attribute value (unescaped); empty when missing.
    std::string Prop(std::string_view name) const;
    // Writes an attribute in place, or appends it when missing.
    void SetProp(std::string_view name, std::string_view value);
    // Deep copy of item's name, text, data and children (Clear first).
    void Assign(const TscXMLItem* item);

private:
    std::vector<TscXMLItem*> children_;
};

class TscXMLDocument : public TObject {
    DORVAK_CLASS(TscXMLDocument, TObject)
public:
    TscXMLDocument();
    ~TscXMLDocument() override;
    bool AutoIndent = false;
    TscXMLItem* Root() const { return root_.get(); }

    void LoadFromStream(std::istream& stream);
    void SaveToStream(std::ostream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromString(std::string_view text);
    std::string SaveToString() const;

private:
    std::unique_ptr<TscXMLItem> root_;
};

// Reads tags from a stream through a 4096-byte buffer. When destroyed it
// leaves the stream right after the last byte it consumed.
class TscXMLReader {
public:
    explicit TscXMLReader(std::istream& stream);
    ~TscXMLReader();
    TscXMLReader(const TscXMLReader&) = delete;
    TscXMLReader& operator=(const TscXMLReader&) = delete;

    // Reads one tag; false with an empty name at the end of the stream.
    void ReadTag(std::string& name, std::string& text);
    // The first tag must be an XML declaration ("Invalid file format").
    void ReadHeader();
    // Reads an element with its children into item; false when the tag read
    // was an end tag or the end of the stream.
    bool ReadItem(TscXMLItem* item, int depth = 0);

private:
    int readByte();  // -1 at the end of the stream

    std::istream& stream_;
    std::unique_ptr<char[]> buffer_;
    int fill_ = 0;
    int index_ = 0;
    int64_t position_ = 0;
    int64_t size_ = 0;
    bool seekable_ = true;
    std::string lastTag_;
};

class TscXMLWriter {
public:
    TscXMLWriter(std::ostream& stream, bool autoIndent);
    ~TscXMLWriter();
    void WriteLine(std::string_view line);
    void WriteItem(const TscXMLItem* item, int level);
    void Flush();

private:
    void writeItem(const TscXMLItem* item, int level, int depth);

    std::ostream& stream_;
    bool autoIndent_;
    std::string buffer_;
};

// Attribute escaping: LF, CR, '"', '<', '>' and '&' become "&#N;".
std::string scStrToXML(std::string_view text);
// Decodes "&#N;" (N a Unicode code point, written as UTF-8) and "&quot;".
std::string scXMLToStr(std::string_view text);

// Deepest element nesting the reader accepts.
constexpr int scMaxXMLDepth = 1024;
