#pragma once
// The XML tree every report file format is made of. It works on bytes and
// never converts code pages; it keeps attribute text raw, skips element
// content when reading, and can park a subtree in a temporary file so that a
// store of many pages keeps only the pages in use in memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Exceptions.h"
#include "Streams.h"
#include "Variant.h"

DORVAK_DECLARE_EXCEPTION(TrpInvalidXMLException, Exception)

// The message of a file that could not be read, naming it: "Invalid file
// format" becomes "Invalid file format: "NAME"" (and what followed, after
// it); another message gets the name in front.
std::string InvalidFileMessage(const std::string& message, const std::string& fileName);

class TrpXMLDocument;

class TrpXMLItem {
public:
    TrpXMLItem() = default;
    ~TrpXMLItem();
    TrpXMLItem(const TrpXMLItem&) = delete;
    TrpXMLItem& operator=(const TrpXMLItem&) = delete;

    // New child appended.
    TrpXMLItem* Add();
    // Appends an existing element, moving it from its old parent.
    void AddItem(TrpXMLItem* item);
    // Appends, then moves to the index.
    void InsertItem(int index, TrpXMLItem* item);
    // Frees all children; an Unloadable element becomes not Loaded.
    void Clear();

    int Count() const { return static_cast<int>(children_.size()); }
    // Index outside 0..Count-1 raises EListError.
    TrpXMLItem* Items(int index) const;
    TrpXMLItem* operator[](int index) const { return Items(index); }
    int IndexOf(const TrpXMLItem* item) const;
    // Index of the first child named so (case ignored), -1 when none.
    int Find(std::string_view name) const;
    // That child, or a new child with that name appended.
    TrpXMLItem* FindItem(std::string_view name);

    // Unescaped attribute value; empty when absent.
    std::string Prop(std::string_view name) const;
    bool HasProp(std::string_view name) const;
    // Replaces an existing attribute in place or appends it.
    void SetProp(std::string_view name, std::string_view value);

    const std::string& Name() const { return name_; }
    void SetName(std::string name);
    // Raw attribute text: escaped values, insertion order, no leading blank.
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    // Element content; written between the tags of a childless element.
    const std::string& Value() const { return value_; }
    void SetValue(std::string value);

    TrpXMLItem* Parent() const { return parent_; }
    bool Loaded() const { return loaded_; }
    bool Unloadable() const { return unloadable_; }
    void SetUnloadable(bool v) { unloadable_ = v; }
    int64_t Offset() const { return offset_; }
    void SetOffset(int64_t v) { offset_ = v; }

private:
    friend class TrpXMLReader;
    friend class TrpXMLWriter;
    friend class TrpXMLDocument;

    // Which stream Offset points into.
    enum class Store : uint8_t { None, Source, Temp };

    void detach();
    // A change below this element: its copy in a stream no longer matches.
    void touchAncestors();
    void freeChildren();

    std::string name_;
    std::string text_;
    std::string value_;
    TrpXMLItem* parent_ = nullptr;
    std::vector<TrpXMLItem*> children_;
    int64_t offset_ = 0;
    bool loaded_ = true;
    bool unloadable_ = false;
    Store store_ = Store::None;
    bool changed_ = true;
};

// Reads tags from a stream through a 4096-byte buffer with its own position.
class TrpXMLReader {
public:
    explicit TrpXMLReader(TStream& stream);
    // Leaves the stream positioned after the last byte consumed.
    ~TrpXMLReader();

    void ReadHeader();
    bool OldVersion() const { return oldVersion_; }
    // Reads one element and its subtree. Partial loading parks the children
    // of elements marked ld="0" instead of keeping them.
    void ReadRootItem(TrpXMLItem* item, bool partial);
    // More children than this under one element are refused (0: no limit).
    size_t MaxChildren = 0;
    int64_t Position() const { return bufStart_ + static_cast<int64_t>(bufPos_); }

    // Report files nest a handful of levels. Every walk of the tree and of
    // the report model recurses once a level (about 1 KB of stack, three
    // times that under a sanitizer): 128 levels fit a 512 KB stack.
    static constexpr int kMaxDepth = 128;

private:
    // The next tag: false at the end of the stream. Comments, CDATA and
    // declarations are skipped, processing instructions too unless kept.
    bool readTag(std::string& name, std::string& text, bool keepInstruction);
    void readElementTag(char quote);
    void skipMarkup();
    void skipPast(std::string_view end);
    int nextByte();
    bool readItem(TrpXMLItem* item, bool partial, int depth);
    void takeParkingMark(TrpXMLItem* item, bool partial, int64_t start);
    bool fill();
    [[noreturn]] void invalid();

    TStream& stream_;
    std::vector<char> buffer_;
    size_t bufLen_ = 0;
    size_t bufPos_ = 0;
    int64_t bufStart_ = 0;
    int64_t size_ = 0;
    std::string lastTag_;
    std::string tag_;
    bool selfClosing_ = false;  // the last tag ended in "/>"
    bool plainTag_ = false;     // it was in our writer's form: no attribute text to mend
    bool oldVersion_ = true;
    // The first element, read where the declaration was looked for.
    struct Pending {
        std::string name, text;
        int64_t start = 0;
        bool selfClosing = false;
    };
    std::optional<Pending> pending_;
};

// Writes elements through a 4096-byte buffer. Parked elements are read back
// from their document for the time of writing.
class TrpXMLWriter {
public:
    TrpXMLWriter(TStream& stream, bool autoIndent, TrpXMLDocument* doc = nullptr);
    ~TrpXMLWriter();

    void WriteHeader();
    void WriteItem(TrpXMLItem* item, int level = 0);
    void Flush();

private:
    void writeLine(std::string_view text);
    void indent(int level);

    TStream& stream_;
    bool autoIndent_;
    TrpXMLDocument* doc_;
    std::string buffer_;
};

class TrpXMLDocument {
public:
    TrpXMLDocument();
    ~TrpXMLDocument();
    TrpXMLDocument(const TrpXMLDocument&) = delete;
    TrpXMLDocument& operator=(const TrpXMLDocument&) = delete;

    TrpXMLItem* Root() const { return root_.get(); }
    bool AutoIndent = false;
    bool OldVersion = true;
    std::string TempDir;
    // A file from elsewhere: more children than this under one element
    // refuse it, in loads and in LoadItem (0: no limit).
    size_t MaxChildren = 0;

    // Clears Root and deletes the temporary file.
    void Clear();
    // Full load; the stream stays the caller's.
    void LoadFromStream(TStream& stream);
    // With partial loading the document keeps the stream and reads parked
    // subtrees from it on demand.
    void LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // Reads a parked element's children back.
    void LoadItem(TrpXMLItem* item);
    // Parks an Unloadable element's children in the temporary file.
    void UnloadItem(TrpXMLItem* item);

    // For tests and diagnostics: the temporary file's size, 0 without one.
    int64_t TempSize() const;

private:
    void deleteTemp();
    void load(TStream& stream, bool partial);
    TStream* storeOf(const TrpXMLItem* item) const;

    std::unique_ptr<TrpXMLItem> root_;
    std::unique_ptr<TStream> source_;
    std::unique_ptr<TStream> temp_;
};

// Attribute escaping: control characters but tab, '"', '&', '<', '>' become
// numeric references; "&quot;" is taken as an escaped quote.
std::string StrToXML(std::string_view s);
// Decodes numeric references (codes above 255 as UTF-8) and &quot; &amp;
// &lt; &gt;; nothing is decoded twice.
std::string XMLToStr(std::string_view s);
// A Variant as attribute text.
std::string ValueToXML(const Variant& value);
// Attribute text from any writer in the form the tree keeps: name="value"
// pairs split by one blank, '"' and '>' in values as references. Single
// quotes, blanks around '=', tabs and line breaks between attributes are
// taken as XML reads them, and a line break in a value becomes a blank.
// Text that is no attribute list is left as it is (false).
bool NormalizeAttributes(std::string& text);
