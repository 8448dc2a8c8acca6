#include "rpXMLSerializer.h"

#include <cmath>
#include <cstring>
#include <map>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>

#include "CodePages.h"
#include "ScopeExit.h"
#include "SysUtils.h"
#include "rpRes.h"
#include "rpUnicodeUtils.h"
#include "rpUtilsComponents.h"
#include "rpUtilsStreams.h"
#include "rpUtilsText.h"

namespace {

// A cross cast to the mixin walks the whole type tree, and building a
// prepared page asks it for every object; the mixin lies at the same
// offset in every object of one type.
TrpXMLStorable* storable(TObject* o)
{
    if (!o) return nullptr;
    struct Offset {
        bool storable;
        std::ptrdiff_t bytes;
    };
    thread_local std::unordered_map<const std::type_info*, Offset> offsets;
    const std::type_info* type = &typeid(*o);
    auto it = offsets.find(type);
    if (it == offsets.end()) {
        auto* s = dynamic_cast<TrpXMLStorable*>(o);
        it = offsets.emplace(type, Offset{s != nullptr, s ? reinterpret_cast<char*>(s) - reinterpret_cast<char*>(o) : 0})
                 .first;
    }
    return it->second.storable ? reinterpret_cast<TrpXMLStorable*>(reinterpret_cast<char*>(o) + it->second.bytes)
                               : nullptr;
}

// Sets a flag for a scope.
class FlagScope {
public:
    FlagScope(bool* flag) : flag_(flag)
    {
        if (flag_) *flag_ = true;
    }
    ~FlagScope()
    {
        if (flag_) *flag_ = false;
    }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool* flag_;
};

bool* serializingFlag(TObject* o)
{
    TrpXMLStorable* s = storable(o);
    return s ? &s->XMLSerializing : nullptr;
}

void appendAttr(std::string& out, const std::string& path, std::string_view value)
{
    out += ' ';
    out += path;
    out += "=\"";
    out += StrToXML(value);
    out += '"';
}

std::string trimCrLf(std::string s)
{
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
    return s;
}

// Collects the defined properties that have data, for writing.
class WritingFiler : public TrpFiler {
public:
    explicit WritingFiler(TrpPropWriter& writer) : writer_(writer) {}
    void DefineProperty(const std::string& name, const std::function<void(TrpPropReader&)>&,
                        const std::function<void(TrpPropWriter&)>& write, bool hasData) override
    {
        if (!hasData || !write) return;
        writer_.WritePropName(name);
        write(writer_);
    }

private:
    TrpPropWriter& writer_;
};

// Collects the readers of the defined properties by name.
class ReadingFiler : public TrpFiler {
public:
    void DefineProperty(const std::string& name, const std::function<void(TrpPropReader&)>& read,
                        const std::function<void(TrpPropWriter&)>&, bool) override
    {
        if (read) readers[LowerCase(name)] = read;
    }
    std::map<std::string, std::function<void(TrpPropReader&)>> readers;
};

std::string propDataOf(TPersistent* object)
{
    TrpXMLStorable* s = storable(object);
    if (!s) return std::string();
    TMemoryStream data;
    TrpPropWriter writer(data);
    WritingFiler filer(writer);
    s->DefineProperties(filer);
    if (data.Size() == 0) return std::string();
    return StreamToHex(data);
}

}  // namespace

// ---------------------------------------------------------------- records

void TrpPropWriter::byte(uint8_t b)
{
    stream_.WriteBuffer(&b, 1);
}

void TrpPropWriter::WritePropName(std::string_view name)
{
    const size_t n = std::min<size_t>(name.size(), 255);
    byte(static_cast<uint8_t>(n));
    stream_.WriteBuffer(name.data(), static_cast<int64_t>(n));
}

void TrpPropWriter::WriteListBegin()
{
    byte(rvaList);
}

void TrpPropWriter::WriteListEnd()
{
    byte(rvaNull);
}

void TrpPropWriter::counted(uint8_t type, std::string_view bytes)
{
    byte(type);
    const uint32_t n = static_cast<uint32_t>(bytes.size());
    const uint8_t len[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    stream_.WriteBuffer(len, 4);
    stream_.WriteBuffer(bytes.data(), static_cast<int64_t>(n));
}

void TrpPropWriter::WriteLString(std::string_view s)
{
    counted(rvaLString, s);
}

void TrpPropWriter::WriteBinary(std::string_view bytes)
{
    counted(rvaBinary, bytes);
}

void TrpPropWriter::WriteString(std::string_view s)
{
    if (s.size() > 255) {
        WriteLString(s);
        return;
    }
    byte(rvaString);
    byte(static_cast<uint8_t>(s.size()));
    stream_.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
}

void TrpPropWriter::WriteInteger(int64_t v)
{
    if (v >= -128 && v <= 127) {
        byte(rvaInt8);
        byte(static_cast<uint8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
        byte(rvaInt16);
        byte(static_cast<uint8_t>(v));
        byte(static_cast<uint8_t>(v >> 8));
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        byte(rvaInt32);
        for (int k = 0; k < 4; ++k) byte(static_cast<uint8_t>(v >> (8 * k)));
    } else {
        byte(rvaInt64);
        for (int k = 0; k < 8; ++k) byte(static_cast<uint8_t>(v >> (8 * k)));
    }
}

uint8_t TrpPropReader::byte()
{
    uint8_t b;
    stream_.ReadBuffer(&b, 1);
    return b;
}

bool TrpPropReader::AtEnd()
{
    return stream_.Position() >= stream_.Size();
}

TrpValueType TrpPropReader::valueType()
{
    return static_cast<TrpValueType>(byte());
}

TrpValueType TrpPropReader::NextValue()
{
    const TrpValueType t = valueType();
    stream_.Seek(-1, soCurrent);
    return t;
}

std::string TrpPropReader::ReadPropName()
{
    const uint8_t n = byte();
    std::string s(n, '\0');
    stream_.ReadBuffer(s.data(), n);
    return s;
}

void TrpPropReader::ReadListBegin()
{
    if (valueType() != rvaList) throw EReadError("Invalid property value");
}

void TrpPropReader::ReadListEnd()
{
    if (valueType() != rvaNull) throw EReadError("Invalid property value");
}

bool TrpPropReader::EndOfList()
{
    return NextValue() == rvaNull;
}

namespace {
int64_t readLE(TStream& s, int bytes)
{
    uint8_t b[8] = {};
    s.ReadBuffer(b, bytes);
    uint64_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | b[k];
    // Sign-extend.
    const int shift = 64 - 8 * bytes;
    return static_cast<int64_t>(v << shift) >> shift;
}
}  // namespace

std::string TrpPropReader::ReadString()
{
    const TrpValueType t = valueType();
    switch (t) {
    case rvaString:
    case rvaIdent: {
        const uint8_t n = byte();
        std::string s(n, '\0');
        stream_.ReadBuffer(s.data(), n);
        return s;
    }
    case rvaLString:
    case rvaUTF8String: {
        const int64_t n = readLE(stream_, 4) & 0xFFFFFFFF;
        if (n > stream_.Size() - stream_.Position()) throw EReadError("Stream read error");
        std::string s(static_cast<size_t>(n), '\0');
        stream_.ReadBuffer(s.data(), n);
        return s;
    }
    case rvaWString: {
        const int64_t n = readLE(stream_, 4) & 0xFFFFFFFF;
        if (2 * n > stream_.Size() - stream_.Position()) throw EReadError("Stream read error");
        std::u16string w(static_cast<size_t>(n), u'\0');
        stream_.ReadBuffer(w.data(), 2 * n);
        return Utf16ToUtf8(w);
    }
    default: throw EReadError("Invalid property value");
    }
}

std::string TrpPropReader::ReadBinary()
{
    if (valueType() != rvaBinary) throw EReadError("Invalid property value");
    const int64_t n = readLE(stream_, 4) & 0xFFFFFFFF;
    if (n > stream_.Size() - stream_.Position()) throw EReadError("Stream read error");
    std::string bytes(static_cast<size_t>(n), '\0');
    stream_.ReadBuffer(bytes.data(), n);
    return bytes;
}

int64_t TrpPropReader::ReadInteger()
{
    switch (valueType()) {
    case rvaInt8: return readLE(stream_, 1);
    case rvaInt16: return readLE(stream_, 2);
    case rvaInt32: return readLE(stream_, 4);
    case rvaInt64: return readLE(stream_, 8);
    default: throw EReadError("Invalid property value");
    }
}

void TrpPropReader::SkipValue()
{
    const TrpValueType t = NextValue();
    switch (t) {
    case rvaNull:
    case rvaNil:
    case rvaFalse:
    case rvaTrue: byte(); return;
    case rvaInt8:
    case rvaInt16:
    case rvaInt32:
    case rvaInt64: ReadInteger(); return;
    case rvaString:
    case rvaIdent:
    case rvaLString:
    case rvaUTF8String:
    case rvaWString: ReadString(); return;
    case rvaExtended: byte(); stream_.Seek(10, soCurrent); return;
    case rvaSingle: byte(); stream_.Seek(4, soCurrent); return;
    case rvaCurrency:
    case rvaDate: byte(); stream_.Seek(8, soCurrent); return;
    case rvaBinary: {
        byte();
        const int64_t n = readLE(stream_, 4) & 0xFFFFFFFF;
        stream_.Seek(n, soCurrent);
        return;
    }
    case rvaSet:
        byte();
        while (!ReadPropName().empty()) {
        }
        return;
    case rvaList:
        byte();
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        return;
    case rvaCollection:
        byte();
        while (!EndOfList()) {
            const TrpValueType order = NextValue();
            if (order == rvaInt8 || order == rvaInt16 || order == rvaInt32) ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadPropName();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        return;
    }
    throw EReadError("Invalid property value");
}

void TrpPropReader::ReadProperty(TPersistent* instance)
{
    const std::string name = ReadPropName();
    TObject* found = nullptr;
    const TPropInfo* prop = FindPropPath(instance, name, found);
    auto* target = dynamic_cast<TPersistent*>(found);
    if (!prop && readWideStringsData(instance, name)) return;
    if (!prop || !target || (!prop->IsWritable() && prop->Kind() != pkObject && prop->Kind() != pkStrings)) {
        SkipValue();
        return;
    }
    readValueInto(NextValue(), target, prop);
}

bool TrpPropReader::readWideStringsData(TPersistent* instance, std::string_view name)
{
    // A wide string list stores its lines as "UTF8" (UTF-8 strings) or, in
    // older streams, "Strings" (8-bit or wide strings).
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view form = name.substr(dot + 1);
    if (!SameText(form, "UTF8") && !SameText(form, "Strings")) return false;
    TObject* holder = nullptr;
    const TPropInfo* listProp = FindPropPath(instance, name.substr(0, dot), holder);
    auto* list = listProp && listProp->Kind() == pkWideStrings ? dynamic_cast<TWideStrings*>(listProp->GetObject(holder))
                                                               : nullptr;
    if (!list || NextValue() != rvaList) return false;
    ReadListBegin();
    list->Clear();
    while (!EndOfList()) {
        std::string line = ReadString();
        if (!IsValidUtf8(line)) line = GbkToUtf8(line);
        list->Add(Utf8ToUtf16(line));
    }
    ReadListEnd();
    return true;
}

void WriteWideStringsData(TrpPropWriter& writer, std::string_view path, const TWideStrings& list)
{
    if (list.Count() == 0) return;
    writer.WritePropName(std::string(path) + ".UTF8");
    writer.WriteListBegin();
    for (int i = 0; i < list.Count(); ++i) writer.WriteString(Utf16ToUtf8(list.View(i)));
    writer.WriteListEnd();
}

void TrpPropReader::ReadCollection(TCollection* collection)
{
    if (valueType() != rvaCollection) throw EReadError("Invalid property value");
    collection->Clear();
    while (!EndOfList()) {
        const TrpValueType order = NextValue();
        if (order == rvaInt8 || order == rvaInt16 || order == rvaInt32) ReadInteger();
        TCollectionItem* item = collection->Add();
        ReadListBegin();
        while (!EndOfList()) ReadProperty(item);
        ReadListEnd();
    }
    ReadListEnd();
}

void TrpPropReader::readValueInto(TrpValueType t, TPersistent* instance, const TPropInfo* prop)
{
    switch (t) {
    case rvaInt8:
    case rvaInt16:
    case rvaInt32:
    case rvaInt64: {
        const int64_t v = ReadInteger();
        if (prop->Kind() == pkFloat)
            prop->SetFloat(instance, static_cast<Extended>(v));
        else
            prop->SetOrd(instance, v);
        return;
    }
    case rvaExtended: {
        byte();
        uint8_t raw[10];
        stream_.ReadBuffer(raw, 10);
        long double v = 0;
        std::memcpy(&v, raw, 10);
        prop->SetFloat(instance, v);
        return;
    }
    case rvaSingle: {
        byte();
        float f;
        stream_.ReadBuffer(&f, 4);
        prop->SetFloat(instance, f);
        return;
    }
    case rvaFalse:
    case rvaTrue:
        byte();
        prop->SetOrd(instance, t == rvaTrue ? 1 : 0);
        return;
    case rvaIdent: {
        const std::string id = ReadString();
        if (prop->Kind() == pkEnumeration) {
            const int v = GetEnumValue(prop->PropType(), id);
            if (v < 0) throw EReadError("Invalid property value");
            prop->SetOrd(instance, v);
        } else if (prop->Kind() == pkComponent && SameText(id, "nil")) {
            prop->SetObject(instance, nullptr);
        }
        return;
    }
    case rvaString:
    case rvaLString:
    case rvaUTF8String:
    case rvaWString: {
        const std::string s = ReadString();
        if (prop->Kind() == pkWideString)
            prop->SetWideStr(instance, Utf8ToUtf16(s));
        else if (prop->Kind() == pkVariant)
            prop->SetVariant(instance, Variant(s));
        else
            prop->SetStr(instance, s);
        return;
    }
    case rvaSet: {
        byte();
        uint32_t bits = 0;
        for (std::string e = ReadPropName(); !e.empty(); e = ReadPropName()) {
            const int v = GetEnumValue(prop->PropType()->ElementType(), e);
            if (v >= 0) bits |= uint32_t(1) << v;
        }
        prop->SetOrd(instance, bits);
        return;
    }
    case rvaList:
        if (auto* strings = dynamic_cast<TStrings*>(prop->GetObject(instance))) {
            byte();
            strings->Clear();
            while (!EndOfList()) strings->Add(ReadString());
            ReadListEnd();
            return;
        }
        break;
    case rvaCollection:
        if (auto* collection = dynamic_cast<TCollection*>(prop->GetObject(instance))) {
            ReadCollection(collection);
            return;
        }
        break;
    default: break;
    }
    SkipValue();
}

// ---------------------------------------------------------------- serializer

TrpXMLSerializer::TrpXMLSerializer(TStream* stream) : stream_(stream)
{
    Errors.SetSorted(true);
    Errors.SetDuplicates(dupIgnore);
}

TrpXMLSerializer::~TrpXMLSerializer() = default;

void TrpXMLSerializer::addError(const std::string& message)
{
    Errors.Add(message);
}

std::string TrpXMLSerializer::decodeString(std::string_view value) const
{
    std::string s = XMLToStr(value);
    // Files of the old Windows program hold GBK text in string properties.
    if (!IsValidUtf8(s)) s = GbkToUtf8(s);
    return s;
}

namespace {

// "Memo1.Font.Height": the object being read and the attribute, for errors.
std::string placeOf(const TPersistent* object, std::string_view attribute)
{
    const auto* component = dynamic_cast<const TComponent*>(object);
    const std::string name = component && !component->Name().empty() ? component->Name() : object->ClassName();
    return name + "." + std::string(attribute);
}

// Measures of paper, margins and columns stay within what a device's
// integer coordinates hold at any zoom; counts within what the loops over
// them and the sums of their widths hold. Other measures but an object's
// position and size (frame and line widths, gaps, spacing) stay within a
// kilometre or so, far beyond any paper and far below what the rounding
// to device pixels refuses; dates within the years 1 to 9999; other
// numbers need only be finite.
bool numberFits(std::string_view name, Extended value, TrpXMLSerializer::NumberKind kind)
{
    if (!std::isfinite(static_cast<double>(value))) return false;
    struct Range {
        std::string_view name;
        Extended low, high;
    };
    static constexpr Range kRanges[] = {
        {"PaperWidth", 0, 100000},       {"PaperHeight", 0, 100000},      {"LeftMargin", -100000, 100000},
        {"RightMargin", -100000, 100000}, {"TopMargin", -100000, 100000},  {"BottomMargin", -100000, 100000},
        {"ColumnWidth", -100000, 100000}, {"ColumnGap", -100000, 100000},  {"Columns", 0, 1000},
        {"Copies", -9999, 9999},          {"OutlineWidth", 0, 4000},
    };
    const size_t dot = name.rfind('.');
    const std::string_view last = dot == std::string_view::npos ? name : name.substr(dot + 1);
    for (const Range& r : kRanges)
        if (last.size() == r.name.size() && SameText(last, r.name)) return value >= r.low && value <= r.high;
    // 0001-01-01 and the day after 9999-12-31, in days since 1899-12-30.
    constexpr Extended kFirstDay = -693593, kAfterLastDay = 2958466;
    // Geometry beyond any device is only left undrawn: not refused.
    const bool geometry = dot == std::string_view::npos &&
                          (name.size() == 1 || SameText(name, "Left") || SameText(name, "Top") ||
                           SameText(name, "Width") || SameText(name, "Height"));
    switch (kind) {
    case TrpXMLSerializer::NumberKind::Measure: return geometry || (value >= -1000000 && value <= 1000000);
    case TrpXMLSerializer::NumberKind::Date: return value >= kFirstDay && value < kAfterLastDay;
    default: return true;
    }
}

}  // namespace

template <class Number>
Number TrpXMLSerializer::checked(std::string_view name, std::string_view value, Number number, NumberKind kind) const
{
    if (numberFits(name, static_cast<Extended>(number), kind)) return number;
    constexpr size_t kShown = 40;
    std::string what = std::string(name) + "=\"" + std::string(value.substr(0, kShown)) +
                       (value.size() > kShown ? "...\"" : "\"") + " is out of range";
    if (RefuseBadNumbers) throw TrpInvalidXMLException("Invalid file format: " + what);
    throw EConvertError(what);
}

Extended TrpXMLSerializer::floatValue(std::string_view name, std::string_view value, const TPropInfo* prop) const
{
    const NumberKind kind = prop && prop->TypeName() == "TDateTime" ? NumberKind::Date : NumberKind::Measure;
    return checked(name, value, StrToFloatAnySep(value), kind);
}

int64_t TrpXMLSerializer::intValue(std::string_view name, std::string_view value) const
{
    return checked(name, value, StrToInt64(value), NumberKind::Integer);
}

// Names are compared without case, so a band may be named like the dataset
// a reference means: a name is only taken for an object of the class the
// property holds.
TComponent* TrpXMLSerializer::findReference(std::string_view name, const TClass* wanted) const
{
    const auto fits = [wanted](const TComponent* c) { return c && (!wanted || c->ClassType()->InheritsFrom(wanted)); };
    TComponent* first = findObject(name);
    if (fits(first)) return first;
    if (TComponent* c = FindComponentByPath(Owner, name); fits(c)) return c;
    // The report's datasets and the like live on the form that owns it.
    if (Owner && Owner->Owner())
        if (TComponent* c = Owner->Owner()->FindComponent(name); fits(c)) return c;
    return first ? first : FindComponentByPath(Owner, name);
}

TComponent* TrpXMLSerializer::findObject(std::string_view name) const
{
    if (!Owner || name.empty()) return nullptr;
    if (TrpXMLStorable* s = storable(Owner)) {
        if (TComponent* found = s->FindXMLObject(name)) return found;
    }
    if (SameText(Owner->Name(), name)) return Owner;
    return Owner->FindComponentBelow(name);
}

// ---- writing

void TrpXMLSerializer::writeProps(std::string& out, TPersistent* object, const std::string& prefix,
                                  TPersistent* ancestor)
{
    if (prefix.empty() && !ancestor && OnGetAncestor) {
        if (auto* c = dynamic_cast<TComponent*>(object)) ancestor = OnGetAncestor(c->Name());
    }
    FlagScope marking(serializingFlag(object));
    FlagScope markingAncestor(ancestor ? serializingFlag(ancestor) : nullptr);
    const bool all = SerializeDefaultValues;

    for (const TPropInfo* prop : object->ClassType()->Properties()) {
        if (!prop->IsStored(object)) continue;
        TPersistent* anc =
            ancestor && ancestor->InheritsFrom(prop->DeclaringClass()) ? ancestor : nullptr;
        const std::string path = prefix + prop->Name();
        switch (prop->Kind()) {
        case pkInteger:
        case pkChar:
        case pkSet:
        case pkEnumeration: {
            const int64_t v = prop->GetOrd(object);
            if (!all) {
                if (anc ? v == prop->GetOrd(anc) : (prop->HasDefault() && v == prop->Default())) break;
            }
            appendAttr(out, path, prop->Kind() == pkEnumeration ? GetEnumName(prop->PropType(), v) : IntToStr(v));
            break;
        }
        case pkFloat: {
            const Extended v = prop->GetFloat(object);
            if (!all && anc && std::fabs(static_cast<double>(v - prop->GetFloat(anc))) < 0.000001) break;
            appendAttr(out, path, FloatToStr(v));
            break;
        }
        case pkString: {
            const std::string v = prop->GetStr(object);
            if (!all && (anc ? v == prop->GetStr(anc) : v.empty())) break;
            appendAttr(out, path, v);
            break;
        }
        case pkWideString: {
            const WideString v = prop->GetWideStr(object);
            if (!all && (anc ? v == prop->GetWideStr(anc) : v.empty())) break;
            appendAttr(out, path, Utf16ToUtf8(v));
            break;
        }
        case pkVariant: {
            const std::string v = VarToStr(prop->GetVariant(object));
            if (!all && anc && v == VarToStr(prop->GetVariant(anc))) break;
            appendAttr(out, path, v);
            break;
        }
        case pkComponent: {
            auto* v = dynamic_cast<TComponent*>(prop->GetObject(object));
            auto* a = anc ? dynamic_cast<TComponent*>(prop->GetObject(anc)) : nullptr;
            if (!all) {
                if (!v && !a) break;
                if (v && a && SameText(v->Name(), a->Name())) break;
            }
            appendAttr(out, path, v ? GetFullName(Owner, v) : (a ? "nil" : ""));
            break;
        }
        case pkStrings: {
            auto* v = dynamic_cast<TStrings*>(prop->GetObject(object));
            if (!v) break;
            const std::string text = StringsToXMLText(*v);
            auto* a = anc ? dynamic_cast<TStrings*>(prop->GetObject(anc)) : nullptr;
            if (!all && (a ? text == StringsToXMLText(*a) : text.empty())) break;
            appendAttr(out, path + ".Text", text);
            break;
        }
        case pkObject: {
            auto* v = dynamic_cast<TPersistent*>(prop->GetObject(object));
            if (!v) break;
            auto* a = anc ? dynamic_cast<TPersistent*>(prop->GetObject(anc)) : nullptr;
            writeProps(out, v, path + ".", a);
            break;
        }
        default: break;  // events, 64-bit integers, wide string lists
        }
    }
    if (!prefix.empty()) return;

    if (TrpXMLStorable* s = storable(object)) {
        std::u16string text;
        if (s->GetXMLText(text)) {
            std::string utf8 = trimCrLf(Utf16ToUtf8(text));
            std::u16string ancText;
            TrpXMLStorable* as = ancestor ? storable(ancestor) : nullptr;
            const bool same = as && as->GetXMLText(ancText) && trimCrLf(Utf16ToUtf8(ancText)) == utf8;
            if (all || (as ? !same : !utf8.empty())) appendAttr(out, "Text", utf8);
        }
    }
    const std::string data = propDataOf(object);
    if (!data.empty()) {
        bool write = true;
        if (ancestor && !all) {
            const std::string ancData = propDataOf(ancestor);
            TStringStream a(ancData), b(data);
            write = StreamCRC32(a) != StreamCRC32(b);
        }
        if (write) {
            out += " PropData=\"";
            out += data;
            out += '"';
        }
    }
}

std::string TrpXMLSerializer::WriteProps(TPersistent* object, TPersistent* ancestor)
{
    std::string out;
    writeProps(out, object, std::string(), ancestor);
    if (!out.empty() && out[0] == ' ') out.erase(0, 1);
    return out;
}

std::string TrpXMLSerializer::ObjToXML(TPersistent* object)
{
    const std::string attrs = WriteProps(object);
    return attrs.empty() ? object->ClassName() : object->ClassName() + " " + attrs;
}

void TrpXMLSerializer::WriteObject(TPersistent* object)
{
    if (!stream_) return;
    std::string tag = "<";
    tag += ObjToXML(object);
    tag += "/>";
    stream_->WriteString(tag);
}

void TrpXMLSerializer::writeElement(TComponent* object, TrpXMLItem* item, bool isRoot, bool children,
                                    bool inheritedNames, int depth)
{
    if (depth > kMaxDepth) throw TrpInvalidXMLException("Invalid file format");
    const bool inheritedObject = object->ComponentState().Contains(csAncestor);
    item->SetName(inheritedObject && !inheritedNames ? std::string("inherited") : object->ClassName());
    std::string text;
    if (!isRoot) appendAttr(text, "Name", object->Name());
    writeProps(text, object, std::string(), nullptr);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    item->SetText(std::move(text));
    if (!children) return;
    if (TrpXMLStorable* s = storable(object)) {
        for (int i = 0; i < s->XMLChildCount(); ++i)
            if (TComponent* child = s->XMLChild(i))
                writeElement(child, item->Add(), false, true, inheritedNames, depth + 1);
    }
}

void TrpXMLSerializer::WriteRootComponent(TComponent* root, bool saveChildren, bool writeInheritedClassNames,
                                          TrpXMLItem* element)
{
    if (!Owner) Owner = root;
    if (element) {
        writeElement(root, element, true, saveChildren, writeInheritedClassNames, 0);
        return;
    }
    TrpXMLDocument doc;
    doc.AutoIndent = true;
    writeElement(root, doc.Root(), true, saveChildren, writeInheritedClassNames, 0);
    if (stream_) doc.SaveToStream(*stream_);
}

// ---- reading

namespace {

// Each name="value" of attribute text, in order.
template <typename F>
void forEachAttribute(std::string_view text, F&& f)
{
    size_t i = 0;
    const size_t n = text.size();
    for (;;) {
        while (i < n && text[i] == ' ') ++i;
        const size_t eq = text.find('=', i);
        if (eq == std::string_view::npos) return;
        const std::string name = Trim(text.substr(i, eq - i));
        if (name.empty()) return;
        const size_t open = text.find('"', eq + 1);
        if (open == std::string_view::npos) return;
        size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos) close = n;
        f(name, text.substr(open + 1, close - open - 1));
        i = close + 1;
        if (i >= n) return;
    }
}

}  // namespace

void TrpXMLSerializer::readProps(TPersistent* object, std::string_view text)
{
    forEachAttribute(text, [&](const std::string& name, std::string_view value) { applyAttribute(object, name, value); });
}

TrpPreparedProps TrpXMLSerializer::PrepareProps(TPersistent* sample, std::string_view text)
{
    TrpPreparedProps props;
    const std::string t = Trim(text);
    const size_t blank = t.find(' ');
    props.class_ = FindClass(t.substr(0, blank));
    TrpXMLStorable* storableSample = storable(sample);
    props.report_ = storableSample && storableSample->IsXMLReport();
    const std::string_view attributes =
        blank == std::string::npos ? std::string_view() : std::string_view(t).substr(blank + 1);
    forEachAttribute(attributes, [&](const std::string& name, std::string_view value) {
        TrpPreparedProps::Step& step = props.steps_.emplace_back();
        step.name = name;
        step.text = value;
        // What applyAttribute treats apart stays text: the short names,
        // PropData and the report's name.
        if (name.size() <= 1 || SameText(name, "PropData") || (SameText(name, "Name") && props.report_)) return;
        TPersistent* target = sample;
        std::string_view path = name, last = name;
        std::vector<const TPropInfo*> chain;
        if (const size_t dot = name.rfind('.'); dot != std::string::npos) {
            last = path.substr(dot + 1);
            path = path.substr(0, dot);
            while (!path.empty()) {
                const size_t next = path.find('.');
                const TPropInfo* p = GetPropInfo(target, path.substr(0, next));
                if (!p || !IsObjectKind(p->Kind()) || p->Kind() == pkComponent) return;
                target = dynamic_cast<TPersistent*>(p->GetObject(target));
                if (!target) return;
                chain.push_back(p);
                path = next == std::string_view::npos ? std::string_view() : path.substr(next + 1);
            }
        }
        if (SameText(last, "Text")) {
            std::u16string current;
            if (dynamic_cast<TStrings*>(target)) {
                step.kind = TrpPreparedProps::Step::Strings;
                step.text = decodeString(value);
            } else if (dynamic_cast<TWideStrings*>(target)) {
                step.kind = TrpPreparedProps::Step::WideStrings;
                step.wide = Utf8ToUtf16(decodeString(value));
            } else if (target == sample && storableSample && storableSample->GetXMLText(current)) {
                step.kind = TrpPreparedProps::Step::ObjectText;
                step.wide = Utf8ToUtf16(decodeString(value));
            }
            if (step.kind != TrpPreparedProps::Step::Attribute) {
                step.path = std::move(chain);
                return;
            }
        }
        const TPropInfo* prop = GetPropInfo(target, last);
        if (!prop || !prop->IsWritable()) return;
        try {
            switch (prop->Kind()) {
            case pkInteger:
            case pkInt64:
            case pkChar: step.ord = intValue(name, value); break;
            case pkSet:
                step.ord = !value.empty() && value[0] == '[' ? StringToSet(prop->PropType(), value) : StrToInt64(value);
                break;
            case pkEnumeration:
                if (!TryStrToInt64(value, step.ord)) {
                    step.ord = GetEnumValue(prop->PropType(), Trim(value));
                    if (step.ord < 0) return;
                }
                break;
            case pkFloat: step.number = floatValue(name, value, prop); break;
            case pkString:
                step.text = prop->TypeName() == kRawBytesTypeName ? XMLToStr(value) : decodeString(value);
                break;
            case pkWideString: step.wide = Utf8ToUtf16(decodeString(value)); break;
            case pkVariant: step.text = decodeString(value); break;
            default: return;
            }
        } catch (const std::exception&) {
            // Read as text when applied, which reports it.
            return;
        }
        step.path = std::move(chain);
        step.prop = prop;
        step.kind = TrpPreparedProps::Step::Property;
    });
    return props;
}

void TrpXMLSerializer::applyPrepared(TPersistent* object, const TrpPreparedProps& props)
{
    using Step = TrpPreparedProps::Step;
    for (const Step& step : props.steps_) {
        if (step.kind == Step::Attribute) {
            applyAttribute(object, step.name, step.text);
            continue;
        }
        try {
            TPersistent* target = object;
            for (const TPropInfo* p : step.path) {
                target = dynamic_cast<TPersistent*>(p->GetObject(target));
                if (!target) break;
            }
            if (!target) continue;
            if (step.kind == Step::Strings) {
                if (auto* strings = dynamic_cast<TStrings*>(target)) strings->SetText(step.text);
                continue;
            }
            if (step.kind == Step::WideStrings) {
                if (auto* wide = dynamic_cast<TWideStrings*>(target)) wide->SetText(step.wide);
                continue;
            }
            if (step.kind == Step::ObjectText) {
                if (TrpXMLStorable* s = storable(target)) s->SetXMLText(step.wide);
                continue;
            }
            switch (step.prop->Kind()) {
            case pkFloat: step.prop->SetFloat(target, step.number); break;
            case pkString: step.prop->SetStr(target, step.text); break;
            case pkWideString: step.prop->SetWideStr(target, step.wide); break;
            case pkVariant: step.prop->SetVariant(target, Variant(step.text)); break;
            default: step.prop->SetOrd(target, step.ord); break;
            }
        } catch (const std::exception& e) {
            addError(e.what());
        }
    }
}

void TrpXMLSerializer::applyAttribute(TPersistent* object, std::string_view name, std::string_view value)
{
    try {
        TPersistent* target = object;
        std::string_view last = name;
        const size_t dot = name.rfind('.');
        if (dot != std::string_view::npos) {
            // Every segment but the last names a property holding an object.
            std::string_view path = name.substr(0, dot);
            last = name.substr(dot + 1);
            while (!path.empty()) {
                const size_t next = path.find('.');
                const std::string_view seg = path.substr(0, next);
                const TPropInfo* p = GetPropInfo(target, seg);
                if (!p || !IsObjectKind(p->Kind()) || p->Kind() == pkComponent) return;
                target = dynamic_cast<TPersistent*>(p->GetObject(target));
                if (!target) return;
                path = next == std::string_view::npos ? std::string_view() : path.substr(next + 1);
            }
        } else if (name.size() == 1) {
            // Short names of the prepared pages' object copies.
            switch (name[0]) {
            case 'l': SetFloatProp(object, "Left", floatValue(name, value)); return;
            case 't': SetFloatProp(object, "Top", floatValue(name, value)); return;
            case 'w': SetFloatProp(object, "Width", floatValue(name, value)); return;
            case 'h': SetFloatProp(object, "Height", floatValue(name, value)); return;
            case 'u':
            case 'x':
                if (TrpXMLStorable* s = storable(object)) s->SetXMLText(Utf8ToUtf16(decodeString(value)));
                return;
            default: break;
            }
        } else if (SameText(name, "PropData")) {
            applyPropData(object, value);
            return;
        } else if (SameText(name, "Name")) {
            TrpXMLStorable* s = storable(object);
            if (s && s->IsXMLReport()) return;
        }

        if (SameText(last, "Text")) {
            if (auto* strings = dynamic_cast<TStrings*>(target)) {
                strings->SetText(decodeString(value));
                return;
            }
            if (auto* wide = dynamic_cast<TWideStrings*>(target)) {
                wide->SetText(Utf8ToUtf16(decodeString(value)));
                return;
            }
            if (target == object) {
                TrpXMLStorable* s = storable(object);
                std::u16string current;
                if (s && s->GetXMLText(current)) {
                    s->SetXMLText(Utf8ToUtf16(decodeString(value)));
                    return;
                }
            }
        }

        const TPropInfo* prop = GetPropInfo(target, last);
        if (!prop || !prop->IsWritable()) return;
        switch (prop->Kind()) {
        case pkInteger:
        case pkInt64:
        case pkChar: prop->SetOrd(target, intValue(name, value)); break;
        case pkSet:
            if (!value.empty() && value[0] == '[')
                prop->SetOrd(target, StringToSet(prop->PropType(), value));
            else
                prop->SetOrd(target, StrToInt64(value));
            break;
        case pkEnumeration: {
            int64_t ord;
            if (TryStrToInt64(value, ord)) {
                prop->SetOrd(target, ord);
            } else {
                const int v = GetEnumValue(prop->PropType(), Trim(value));
                if (v < 0) throw EPropertyError("Invalid property value");
                prop->SetOrd(target, v);
            }
            break;
        }
        case pkFloat: prop->SetFloat(target, floatValue(name, value, prop)); break;
        case pkString:
            prop->SetStr(target, prop->TypeName() == kRawBytesTypeName ? XMLToStr(value) : decodeString(value));
            break;
        case pkWideString: prop->SetWideStr(target, Utf8ToUtf16(decodeString(value))); break;
        case pkVariant: prop->SetVariant(target, Variant(decodeString(value))); break;
        case pkComponent:
            fixups_.push_back(Fixup{Ref<TObject>(target), prop, decodeString(value), placeOf(object, name)});
            break;
        default: break;
        }
    } catch (const TrpInvalidXMLException&) {
        throw;
    } catch (const std::exception& e) {
        addError(placeOf(object, name) + ": " + e.what());
    }
}

void TrpXMLSerializer::applyPropData(TPersistent* object, std::string_view hex)
{
    TrpXMLStorable* s = storable(object);
    if (!s) return;
    ReadingFiler filer;
    s->DefineProperties(filer);
    // The stream gets exactly the decoded bytes: records of a longer
    // earlier PropData must not be read again.
    HexToStream(hex, propData_);
    propData_.Seek(0, soBeginning);
    TrpPropReader reader(propData_);
    while (!reader.AtEnd()) {
        const std::string name = reader.ReadPropName();
        auto it = filer.readers.find(LowerCase(name));
        if (it == filer.readers.end()) {
            addError(placeOf(object, name) + ": Property " + name + " does not exist");
            reader.SkipValue();
            continue;
        }
        it->second(reader);
    }
}

void TrpXMLSerializer::resolveFixups()
{
    std::vector<Fixup> pending;
    pending.swap(fixups_);
    for (const Fixup& f : pending) {
        TObject* object = f.object.get();
        if (!object) continue;
        try {
            // An explicit "nil" clears the reference (written against an
            // ancestor that had one).
            if (SameText(f.name, "nil")) {
                f.prop->SetObject(object, nullptr);
                continue;
            }
            if (TComponent* found = findReference(f.name, f.prop->PropType()->ClassRef()))
                f.prop->SetObject(object, found);
        } catch (const std::exception& e) {
            addError(f.where + ": " + e.what());
        }
    }
}

void TrpXMLSerializer::ReadProps(TComponent* root, TPersistent* object, std::string_view text)
{
    TComponent* saved = Owner;
    if (root) Owner = root;
    readProps(object, text);
    resolveFixups();
    Owner = saved ? saved : root;
}

void TrpXMLSerializer::readElement(TrpXMLItem* item, TComponent* parent, TComponent* existing,
                                   std::vector<TComponent*>& read, int depth)
{
    if (depth > kMaxDepth) throw TrpInvalidXMLException("Invalid file format");
    TComponent* object = existing;
    if (!object) {
        const std::string& elementName = item->Name();
        const bool inheritedElement = SameText(elementName, "inherited");
        const TClass* cls = inheritedElement ? nullptr : GetClass(elementName);
        if (!inheritedElement && !cls) addError(GetResources().Get("xrCantFindClass") + " " + elementName);
        object = findObject(item->Prop("Name"));
        if (!object) {
            if (!cls) return;
            if (!cls->InheritsFrom(TComponent::StaticClass()) || cls->IsAbstract()) {
                addError(GetResources().Get("xrCantFindClass") + " " + elementName);
                return;
            }
            object = static_cast<TComponent*>(cls->Create(parent));
        }
    }
    object->Loading();
    if (TrpXMLStorable* s = storable(object)) s->XMLLoading = true;
    read.push_back(object);
    readProps(object, item->Text());
    for (int i = 0; i < item->Count(); ++i) readElement(item->Items(i), object, nullptr, read, depth + 1);
}

void TrpXMLSerializer::ReadRootComponent(TComponent* root, TrpXMLItem* element)
{
    if (!Owner) Owner = root;
    std::unique_ptr<TrpXMLDocument> doc;
    if (!element) {
        if (!stream_) return;
        doc = std::make_unique<TrpXMLDocument>();
        doc->LoadFromStream(*stream_);
        OldFormat = doc->OldVersion;
        element = doc->Root();
    }
    // A file's numbers out of range refuse the file.
    const TemporaryValue<bool> refuse(RefuseBadNumbers, true);
    std::vector<TComponent*> read;
    auto finish = [&] {
        for (TComponent* c : read) {
            TrpXMLStorable* s = storable(c);
            if (s) s->XMLLoading = false;
            // The report gets its loaded notification from its own loader.
            if (s && s->IsXMLReport())
                c->TComponent::Loaded();
            else
                c->Loaded();
        }
    };
    try {
        readElement(element, nullptr, root, read, 0);
        resolveFixups();
    } catch (...) {
        fixups_.clear();
        finish();
        throw;
    }
    finish();
}

TComponent* TrpXMLSerializer::XMLToObj(TComponent* owner, std::string_view text, bool withoutFixups)
{
    const std::string t = Trim(text);
    if (t.empty()) return nullptr;
    const size_t blank = t.find(' ');
    const std::string className = t.substr(0, blank);
    const TClass* cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass()))
        throw EClassNotFound("Class " + className + " not found");
    auto* object = static_cast<TComponent*>(cls->Create(owner));
    if (!Owner) Owner = owner ? owner : object;
    object->Loading();
    readProps(object, blank == std::string::npos ? std::string_view() : std::string_view(t).substr(blank + 1));
    TrpXMLStorable* s = storable(object);
    finishObject(object, withoutFixups, s && s->IsXMLReport());
    return object;
}

TComponent* TrpXMLSerializer::XMLToObj(TComponent* owner, const TrpPreparedProps& props, std::string_view more,
                                       bool withoutFixups)
{
    if (!props.class_ || !props.class_->InheritsFrom(TComponent::StaticClass()))
        throw EClassNotFound("Class not found");
    auto* object = static_cast<TComponent*>(props.class_->Create(owner));
    if (!Owner) Owner = owner ? owner : object;
    object->Loading();
    applyPrepared(object, props);
    readProps(object, more);
    finishObject(object, withoutFixups, props.report_);
    return object;
}

void TrpXMLSerializer::ReadMoreProps(TComponent* object, std::string_view more, bool withoutFixups)
{
    object->Loading();
    readProps(object, more);
    TrpXMLStorable* s = storable(object);
    finishObject(object, withoutFixups, s && s->IsXMLReport());
}

void TrpXMLSerializer::finishObject(TComponent* object, bool withoutFixups, bool report)
{
    if (withoutFixups)
        fixups_.clear();
    else
        resolveFixups();
    if (report)
        object->TComponent::Loaded();
    else
        object->Loaded();
}

std::string StringsToXMLText(const TStrings& strings)
{
    return trimCrLf(strings.Text());
}

void registerReportFoundationClasses()
{
    RegisterClass<TWideStrings>();
}

// ---- Collections in PropData

namespace {

template <typename S>
S from7Bit(const S& s)
{
    using Char = typename S::value_type;
    using Unsigned = std::make_unsigned_t<Char>;
    S out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == Char(1) && i + 1 < s.size()) {
            out += static_cast<Char>(static_cast<Unsigned>(s[i + 1]) + 128);
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

void convertFrom7Bit(TPersistent* item)
{
    for (const TPropInfo* prop : item->ClassType()->Properties()) {
        if (!prop->IsWritable()) continue;
        switch (prop->Kind()) {
        case pkString: {
            // The old form carried GBK text.
            std::string text = from7Bit(prop->GetStr(item));
            if (!IsValidUtf8(text)) text = GbkToUtf8(text);
            prop->SetStr(item, text);
            break;
        }
        case pkWideString:
            prop->SetWideStr(item, from7Bit(prop->GetWideStr(item)));
            break;
        case pkVariant: {
            const Variant v = prop->GetVariant(item);
            if (!v.isString()) break;
            std::string text = from7Bit(v.toString());
            if (!IsValidUtf8(text)) text = GbkToUtf8(text);
            prop->SetVariant(item, Variant(text));
            break;
        }
        default: break;
        }
    }
}

}  // namespace

void WriteCollectionXML(TCollection* collection, TrpPropWriter& writer, TComponent* report)
{
    writer.WriteListBegin();
    TrpXMLSerializer serializer;
    serializer.Owner = report;
    for (int i = 0; i < collection->Count(); ++i) {
        writer.WriteListBegin();
        writer.WriteLString(serializer.WriteProps(collection->Items(i)));
        writer.WriteListEnd();
    }
    writer.WriteListEnd();
}

void ReadCollectionXML(TCollection* collection, TrpPropReader& reader, TComponent* report,
                       TrpXMLSerializer* serializer)
{
    if (reader.NextValue() == rvaCollection) {
        // The platform's standard form, from old component streams.
        reader.ReadCollection(collection);
        for (int i = 0; i < collection->Count(); ++i) convertFrom7Bit(collection->Items(i));
        return;
    }
    std::unique_ptr<TrpXMLSerializer> own;
    if (!serializer) {
        own = std::make_unique<TrpXMLSerializer>();
        own->Owner = report;
        serializer = own.get();
    }
    collection->Clear();
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        reader.ReadListBegin();
        TCollectionItem* item = collection->Add();
        serializer->ReadProps(report, item, reader.ReadString());
        reader.ReadListEnd();
    }
    reader.ReadListEnd();
}
