#include "rpUtils.h"

#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <type_traits>

#include "Classes.h"
#include "CodePages.h"
#include "Exceptions.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "rpRes.h"
#include "rpUiServices.h"
#include "rpXMLSerializer.h"

namespace {
constexpr Extended kTouch = 0.0001L;
}

bool TrpRectArea::InterceptsX(const TrpRectArea& other) const
{
    return other.X < X1 - kTouch && other.X1 > X + kTouch;
}

bool TrpRectArea::InterceptsY(const TrpRectArea& other) const
{
    return other.Y < Y1 - kTouch && other.Y1 > Y + kTouch;
}

bool TrpRectArea::InterceptsArea(const TrpRectArea& other, TrpRectArea& result) const
{
    if (!InterceptsX(other)) return false;
    result = TrpRectArea(Max(X, other.X), 0, Min(X1, other.X1), 0);
    return true;
}

TrpRect MakeExtRect(Extended left, Extended top, Extended right, Extended bottom)
{
    return TrpRect{left, top, right, bottom};
}

uint32_t StreamCRC32(TStream& stream)
{
    const int64_t saved = stream.Position();
    stream.Seek(0, soBeginning);
    uLong crc = crc32(0, nullptr, 0);
    char buffer[65536];
    for (;;) {
        const int64_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(n));
    }
    stream.Seek(saved, soBeginning);
    return static_cast<uint32_t>(crc);
}

std::string StreamToHex(TStream& stream)
{
    static const char digits[] = "0123456789ABCDEF";
    stream.Seek(0, soBeginning);
    const int64_t size = stream.Size();
    std::string out;
    out.reserve(static_cast<size_t>(size) * 2);
    char buffer[65536];
    for (;;) {
        const int64_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        for (int64_t i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(buffer[i]);
            out += digits[b >> 4];
            out += digits[b & 15];
        }
    }
    return out;
}

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw EConvertError("'" + std::string(1, c) + "' is not a valid hexadecimal digit");
}
}  // namespace

void HexToStream(std::string_view hex, TStream& stream)
{
    std::string bytes(hex.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((hexDigit(hex[2 * i]) << 4) | hexDigit(hex[2 * i + 1]));
    // A longer earlier content must not survive behind the new bytes.
    stream.SetSize(static_cast<int64_t>(bytes.size()));
    stream.Seek(0, soBeginning);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

Extended StrToFloatAnySep(std::string_view text)
{
    const char sep = FormatSettings().DecimalSeparator;
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == ' ') continue;
        s += (c == ',' || c == '.') ? sep : c;
    }
    return StrToFloat(s);
}

std::string FloatToStrPlain(Extended value)
{
    if (Int(value) == value) return FloatToStr(value);
    // What "%2.2f" gives: fixed, two decimals.
    return FloatToStrF(value, ffFixed, 18, 2);
}

namespace {

template <typename Char>
std::basic_string<Char> bracketed(std::basic_string_view<Char> s, std::basic_string_view<Char> open,
                                  std::basic_string_view<Char> close, int& end, int& start)
{
    // Positions are 1-based, as the callers count them.
    end = start;
    const int len = static_cast<int>(s.size());
    if (s.empty() || len < end || start < 1 || open.empty() || close.empty()) return {};
    if (s.substr(start - 1, open.size()) != open) return {};
    bool outsideDouble = true;
    bool outsideSingle = true;
    int depth = 0;
    for (;;) {
        const auto at = s.substr(end - 1);
        if (outsideDouble && outsideSingle) {
            if (at.substr(0, open.size()) == open) {
                if (depth == 0) start = end;
                ++depth;
            } else if (at.substr(0, close.size()) == close) {
                --depth;
            }
        }
        const Char c = s[end - 1];
        if (outsideSingle && c == Char('"')) outsideDouble = !outsideDouble;
        if (outsideDouble && c == Char('\'')) outsideSingle = !outsideSingle;
        if (depth == 0 || end >= len) break;
        ++end;
    }
    std::basic_string<Char> result;
    const int count = end - start - static_cast<int>(open.size());
    if (count > 0) result = std::basic_string<Char>(s.substr(start - 1 + open.size(), count));
    if (start != end) end += static_cast<int>(close.size()) - 1;
    return result;
}

}  // namespace

// With UTF-8 as the 8-bit code page no delimiter byte can stand inside a
// multibyte character, so the 8-bit form needs no lead-byte step.
std::string GetBracketedText(std::string_view text, std::string_view open, std::string_view close, int& end,
                             int& start)
{
    return bracketed<char>(text, open, close, end, start);
}

std::u16string GetBracketedTextW(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 int& end, int& start)
{
    return bracketed<char16_t>(text, open, close, end, start);
}

void ParsePageNumbers(std::string_view text, TStrings* pages, int pageCount)
{
    pages->Clear();
    std::string s;
    for (char c : text)
        if (c != ' ') s += c;
    if (s.empty()) return;
    if (s.back() == '-') s += IntToStr(pageCount);
    s += ',';
    bool range = false;
    int rangeStart = 1;
    size_t itemStart = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ',') {
            const int n = StrToInt(std::string_view(s).substr(itemStart, i - itemStart));
            itemStart = i + 1;
            if (!range) {
                pages->Add(IntToStr(n));
            } else {
                // Pages outside the report are never printed: "1-999999999"
                // must not list a billion numbers.
                const int from = rangeStart < 1 ? 1 : rangeStart;
                const int to = n > pageCount ? pageCount : n;
                for (int k = from; k <= to; ++k) pages->Add(IntToStr(k));
            }
            range = false;
        } else if (s[i] == '-') {
            range = true;
            rangeStart = StrToInt(std::string_view(s).substr(itemStart, i - itemStart));
            itemStart = i + 1;
        }
    }
}

void ReportError(TrpSilentMode mode, const std::string& message)
{
    switch (mode) {
    case simMessageBoxes: ErrorMessageBox(message); break;
    case simReThrow: throw Exception(message);
    case simSilent: break;
    }
}

void ErrorMessageBox(const std::string& message)
{
    rpMessageBox(message, GetResources().Get("mbError"), rpMB_ICONERROR);
}

std::string GetTempFileNameIn(const std::string& folder)
{
    std::string dir = folder;
    std::error_code ec;
    if (dir.empty()) dir = std::filesystem::temp_directory_path(ec).string();
    if (dir.empty()) dir = "/tmp";
    std::string pattern = (std::filesystem::path(dir) / "rpXXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw EFCreateError("Cannot create file \"" + pattern + "\"");
    ::close(fd);
    return pattern;
}

std::string GetModuleFileNameStr()
{
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string GetAppPath()
{
    const std::string exe = GetModuleFileNameStr();
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

void SetStringsFromDelimited(std::string_view text, TStrings* strings, char delimiter)
{
    strings->Clear();
    size_t start = 0;
    while (start < text.size()) {
        const size_t at = text.find(delimiter, start);
        if (at == std::string_view::npos) {
            strings->Add(std::string(text.substr(start)));
            break;
        }
        strings->Add(std::string(text.substr(start, at - start)));
        start = at + 1;
    }
}

namespace {

TFindGlobalComponent g_findGlobal = nullptr;

bool isReport(const TComponent* c)
{
    auto* s = dynamic_cast<const TrpXMLStorable*>(c);
    return s && s->IsXMLReport();
}

}  // namespace

void SetFindGlobalComponent(TFindGlobalComponent finder)
{
    g_findGlobal = finder;
}

TComponent* FindGlobalComponent(std::string_view name)
{
    return g_findGlobal ? g_findGlobal(name) : nullptr;
}

std::string GetFullName(const TComponent* root, const TComponent* component)
{
    if (!component) return std::string();
    const TComponent* owner = component->Owner();
    if (!owner || owner == root) return component->Name();
    // Objects anywhere in the root's tree are found by name alone.
    for (const TComponent* o = owner; o; o = o->Owner())
        if (o == root) return component->Name();
    if (root && isReport(root) && owner == root->Owner()) return component->Name();
    // A frame has an owner of its own; a form or data module has none.
    if (const TComponent* frameOwner = owner->Owner())
        return frameOwner->Name() + "." + owner->Name() + "." + component->Name();
    if (!owner->Name().empty()) return owner->Name() + "." + component->Name();
    return std::string();
}

TComponent* FindComponentByPath(TComponent* owner, std::string_view path)
{
    try {
        const size_t dot = path.find('.');
        if (dot != std::string_view::npos) {
            TComponent* global = FindGlobalComponent(path.substr(0, dot));
            if (!global) return nullptr;
            const std::string_view rest = path.substr(dot + 1);
            const size_t dot2 = rest.find('.');
            if (dot2 == std::string_view::npos) return global->FindComponent(rest);
            TComponent* inner = global->FindComponent(rest.substr(0, dot2));
            return inner ? inner->FindComponent(rest.substr(dot2 + 1)) : nullptr;
        }
        if (!owner) return nullptr;
        if (TComponent* found = owner->FindComponent(path)) return found;
        if (isReport(owner) && owner->Owner()) return owner->Owner()->FindComponent(path);
        return nullptr;
    } catch (const std::exception&) {
        throw EClassNotFound("Missing " + std::string(path));
    }
}

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
