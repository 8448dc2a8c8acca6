#pragma once
// Report objects to XML elements and back, through the reflection registry:
// one element per object named by its class, its stored published
// properties that differ from their defaults as attributes (nested objects
// under dotted paths), its children as child elements. References between
// objects are kept by name and resolved after the whole tree is read.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"
#include "Streams.h"
#include "StringLists.h"
#include "rpXML.h"
#include "rpXMLStorable.h"

// The binary records inside "PropData": the platform's component-stream
// value types (null 0, list 1, string 6, long string 12, collection 14)
// and short-string property names.
enum TrpValueType : uint8_t {
    rvaNull = 0,
    rvaList = 1,
    rvaInt8 = 2,
    rvaInt16 = 3,
    rvaInt32 = 4,
    rvaExtended = 5,
    rvaString = 6,
    rvaIdent = 7,
    rvaFalse = 8,
    rvaTrue = 9,
    rvaBinary = 10,
    rvaSet = 11,
    rvaLString = 12,
    rvaNil = 13,
    rvaCollection = 14,
    rvaSingle = 15,
    rvaCurrency = 16,
    rvaDate = 17,
    rvaWString = 18,
    rvaInt64 = 19,
    rvaUTF8String = 20,
};

class TrpPropWriter {
public:
    explicit TrpPropWriter(TStream& stream) : stream_(stream) {}
    void WritePropName(std::string_view name);
    void WriteListBegin();
    void WriteListEnd();
    // Long-string form (value type 12) whatever the length.
    void WriteLString(std::string_view s);
    void WriteString(std::string_view s);
    void WriteInteger(int64_t v);
    // A binary record (value type 10): a 32-bit length and the bytes.
    void WriteBinary(std::string_view bytes);

private:
    void byte(uint8_t b);
    // A value type, a 32-bit length and the bytes.
    void counted(uint8_t type, std::string_view bytes);
    TStream& stream_;
};

// Reads what TrpPropWriter wrote. A record that runs past the end of the
// data raises EReadError.
class TrpPropReader {
public:
    explicit TrpPropReader(TStream& stream) : stream_(stream) {}
    bool AtEnd();
    TrpValueType NextValue();
    std::string ReadPropName();
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList();
    // Strings of every string value type (wide ones as UTF-8).
    std::string ReadString();
    int64_t ReadInteger();
    // The bytes of a binary record.
    std::string ReadBinary();
    // Skips one value of any type.
    void SkipValue();
    // A property record of an old component stream applied to an object
    // through the registry (collections in their standard form).
    void ReadProperty(TPersistent* instance);
    // A collection in the standard form (value type 14).
    void ReadCollection(TCollection* collection);

private:
    uint8_t byte();
    TrpValueType valueType();
    void readValueInto(TrpValueType t, TPersistent* instance, const TPropInfo* prop);
    bool readWideStringsData(TPersistent* instance, std::string_view name);
    TStream& stream_;
};

class TWideStrings;
// A wide string list's record: "<path>.UTF8" with its lines as UTF-8
// strings; nothing for an empty list. ReadProperty reads it back, and the
// older "<path>.Strings" too.
void WriteWideStringsData(TrpPropWriter& writer, std::string_view path, const TWideStrings& list);

// The type name of 8-bit string properties that hold bytes, not text
// (printer codes): read back as they stand, without the GBK fallback for
// text of old files.
inline constexpr std::string_view kRawBytesTypeName = "RawByteString";

// Attribute text read once for many new objects of one class (the prepared
// pages build every printed object from its source object's attributes):
// names resolved to properties and values converted beforehand. What
// cannot be resolved so stays text and is read as ReadProps reads it.
class TrpPreparedProps {
public:
    // Of a class that XMLToObj makes.
    bool Ready() const { return class_ != nullptr; }

private:
    friend class TrpXMLSerializer;
    struct Step {
        // Attribute text, a property's value, or the text of a string
        // list, a wide string list or a text object.
        enum Kind { Attribute, Property, Strings, WideStrings, ObjectText } kind = Attribute;
        std::vector<const TPropInfo*> path;  // properties holding the objects on the way
        const TPropInfo* prop = nullptr;
        std::string name, text;  // the attribute; text also a string value
        int64_t ord = 0;
        Extended number = 0;
        WideString wide;
    };
    const TClass* class_ = nullptr;
    bool report_ = false;  // the report object itself
    std::vector<Step> steps_;
};

class TrpXMLSerializer {
public:
    // The stream is read or written by Read/WriteRootComponent when they
    // get no element; it may be nullptr.
    explicit TrpXMLSerializer(TStream* stream = nullptr);
    ~TrpXMLSerializer();

    // Messages of values that failed to apply and of unknown classes,
    // sorted, each once.
    TStringList Errors;
    // The root against which names are resolved; the root of the first
    // read or write when not given.
    TComponent* Owner = nullptr;
    bool SerializeDefaultValues = false;
    // Copied from the document when the serializer loads one itself.
    bool OldFormat = true;
    // A number out of range (not finite, paper or margins beyond 100 m,
    // more than 1,000 columns, ...) raises TrpInvalidXMLException naming
    // the attribute instead of being left out as an error; always so while
    // ReadRootComponent reads.
    bool RefuseBadNumbers = false;
    // How a number read is checked.
    enum class NumberKind { Integer, Measure, Date };
    // The ancestor of an object written without one.
    std::function<TComponent*(const std::string& name)> OnGetAncestor;

    // Into a new indented document saved to the stream, or into element.
    void WriteRootComponent(TComponent* root, bool saveChildren = true, bool writeInheritedClassNames = false,
                            TrpXMLItem* element = nullptr);
    // From element, or from a document loaded from the stream.
    void ReadRootComponent(TComponent* root, TrpXMLItem* element = nullptr);

    // The class name and the attribute text of one object.
    std::string ObjToXML(TPersistent* object);
    // A new object from "ClassName attr=... ": nullptr for empty text.
    // Without fixups pending references are dropped.
    TComponent* XMLToObj(TComponent* owner, std::string_view text, bool withoutFixups = false);
    // Attributes into an existing object; references resolved against root.
    void ReadProps(TComponent* root, TPersistent* object, std::string_view text);
    // "ClassName attr=..." made ready for XMLToObj below; sample is a new
    // object of that class, read from the same text.
    TrpPreparedProps PrepareProps(TPersistent* sample, std::string_view text);
    // As XMLToObj of the prepared text followed by more attribute text.
    TComponent* XMLToObj(TComponent* owner, const TrpPreparedProps& props, std::string_view more,
                         bool withoutFixups = false);
    // More attribute text read into an object XMLToObj made, as XMLToObj
    // reads its text.
    void ReadMoreProps(TComponent* object, std::string_view more, bool withoutFixups = false);
    // Attribute text of an object (no Name), against an ancestor or none.
    std::string WriteProps(TPersistent* object, TPersistent* ancestor = nullptr);
    // One object as a self-contained empty-element tag on the stream.
    void WriteObject(TPersistent* object);

    static constexpr int kMaxDepth = TrpXMLReader::kMaxDepth;

private:
    struct Fixup {
        Ref<TObject> object;
        const TPropInfo* prop;
        std::string name;
        // The object and property as errors name them.
        std::string where;
    };

    void writeElement(TComponent* object, TrpXMLItem* item, bool isRoot, bool children, bool inheritedNames,
                      int depth);
    void writeProps(std::string& out, TPersistent* object, const std::string& prefix, TPersistent* ancestor);
    void readElement(TrpXMLItem* item, TComponent* parent, TComponent* existing, std::vector<TComponent*>& read,
                     int depth);
    void readProps(TPersistent* object, std::string_view text);
    void applyAttribute(TPersistent* object, std::string_view name, std::string_view value);
    void applyPrepared(TPersistent* object, const TrpPreparedProps& props);
    // The steps of XMLToObj after the object is made.
    void finishObject(TComponent* object, bool withoutFixups, bool report);
    void applyPropData(TPersistent* object, std::string_view hex);
    // A number of the attribute, refused when out of range.
    template <class Number>
    Number checked(std::string_view name, std::string_view value, Number number, NumberKind kind) const;
    // prop: the property it goes to (its type tells a date), or none for
    // the short names of positions and sizes.
    Extended floatValue(std::string_view name, std::string_view value, const TPropInfo* prop = nullptr) const;
    int64_t intValue(std::string_view name, std::string_view value) const;
    void resolveFixups();
    void addError(const std::string& message);
    std::string decodeString(std::string_view value) const;
    TComponent* findObject(std::string_view name) const;
    // The component a reference names, of the class the property holds.
    TComponent* findReference(std::string_view name, const TClass* wanted) const;

    TStream* stream_;
    std::vector<Fixup> fixups_;
    TMemoryStream propData_;
};

// A collection in a PropData record: a list of items, each its XML
// attribute text as a long string. Reading also takes the platform's
// standard collection form, with string values in the old 7-bit form
// (\x01 c stands for c + 128). serializer may be nullptr: a new one against
// report is used.
void WriteCollectionXML(TCollection* collection, TrpPropWriter& writer, TComponent* report);
void ReadCollectionXML(TCollection* collection, TrpPropReader& reader, TComponent* report,
                       TrpXMLSerializer* serializer = nullptr);

// The ".Text" form of a string list (one trailing CR LF removed).
std::string StringsToXMLText(const TStrings& strings);

// Registers the report foundation's classes (TWideStrings) with the
// registry; called from the program's start-up routine.
void registerReportFoundationClasses();
