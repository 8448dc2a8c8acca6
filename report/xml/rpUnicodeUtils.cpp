#include "rpUnicodeUtils.h"

#include "Classes.h"
#include "CodePages.h"
#include "Exceptions.h"

namespace {
constexpr char16_t kLineSeparator = 0x2028;
// The regional settings are those of a Chinese (PRC) workstation.
constexpr int kDefaultLCID = 2052;
}  // namespace

int TWideStrings::Add(std::u16string_view text)
{
    lines_.push_back(Line{std::u16string(text), nullptr});
    return Count() - 1;
}

int TWideStrings::AddObject(std::u16string_view text, TObject* object)
{
    const int i = Add(text);
    lines_[i].object = object;
    return i;
}

void TWideStrings::Delete(int index)
{
    if (index < 0 || index >= Count())
        RaiseListIndexError(index);
    lines_.erase(lines_.begin() + index);
}

int TWideStrings::IndexOf(std::u16string_view text) const
{
    for (int i = 0; i < Count(); ++i)
        if (lines_[i].text == text) return i;
    return -1;
}

std::u16string TWideStrings::Strings(int index) const
{
    if (index < 0 || index >= Count()) return std::u16string();
    return lines_[index].text;
}

void TWideStrings::SetStrings(int index, std::u16string_view text)
{
    if (index == Count()) {
        Add(text);
    } else if (index >= 0 && index < Count()) {
        lines_[index].text = std::u16string(text);
    } else {
        throw EListError("Wide String Out of Bounds");
    }
}

void TWideStrings::Insert(int index, std::u16string_view text)
{
    if (index < 0 || index > Count()) throw EListError("Wide String Out of Bounds");
    lines_.insert(lines_.begin() + index, Line{std::u16string(text)});
}

TObject* TWideStrings::Objects(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return lines_[index].object;
}

void TWideStrings::SetObjects(int index, TObject* object)
{
    if (index >= 0 && index < Count()) lines_[index].object = object;
}

std::u16string TWideStrings::Text() const
{
    size_t size = 0;
    for (const Line& l : lines_) size += l.text.size() + 2;
    std::u16string out;
    out.reserve(size);
    for (const Line& l : lines_) {
        out += l.text;
        out += u"\r\n";
    }
    return out;
}

void TWideStrings::SetText(std::u16string_view text)
{
    Clear();
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] != 0) {
        const size_t start = i;
        while (i < n && text[i] != 0 && text[i] != u'\n' && text[i] != u'\r' && text[i] != kLineSeparator) ++i;
        Add(text.substr(start, i - start));
        if (i < n && text[i] == u'\r') ++i;
        if (i < n && text[i] == u'\n') ++i;
        if (i < n && text[i] == kLineSeparator) ++i;
    }
}

void TWideStrings::Assign(const TPersistent* source)
{
    if (auto* wide = dynamic_cast<const TWideStrings*>(source)) {
        if (wide != this) lines_ = wide->lines_;
        return;
    }
    if (auto* strings = dynamic_cast<const TStrings*>(source)) {
        Clear();
        for (int i = 0; i < strings->Count(); ++i)
            AddObject(MultiByteToWide(CP_ACP, strings->Strings(i)), strings->Objects(i));
        return;
    }
    inherited::Assign(source);
}

void TWideStrings::AssignTo(TPersistent* dest) const
{
    if (auto* strings = dynamic_cast<TStrings*>(dest)) {
        strings->BeginUpdate();
        try {
            strings->Clear();
            for (const Line& l : lines_) strings->AddObject(WideToMultiByte(CP_ACP, l.text), l.object);
        } catch (...) {
            strings->EndUpdate();
            throw;
        }
        strings->EndUpdate();
        return;
    }
    inherited::AssignTo(dest);
}

void TWideStrings::LoadFromStream(TStream& stream)
{
    const int64_t size = stream.Size() - stream.Position();
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        // An odd last byte is half a character: dropped.
        std::u16string wide((bytes.size() - 2) / 2, u'\0');
        for (size_t k = 0; k < wide.size(); ++k)
            wide[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * k]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * k]) << 8));
        SetText(wide);
        return;
    }
    std::string_view text(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    SetText(MultiByteToWide(CP_ACP, text));
}

void TWideStrings::SaveToStream(TStream& stream) const
{
    const std::u16string text = Text();
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes += '\xFF';
    bytes += '\xFE';
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TWideStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TWideStrings::SaveToFile(const std::string& fileName) const
{
    TSaveFileStream stream(fileName);
    SaveToStream(stream);
    stream.Commit();
}

bool TWideStrings::operator==(const TWideStrings& other) const
{
    return lines_ == other.lines_;
}

int CharsetToCP(int charset)
{
    const int cp = CharsetToCodePage(charset);
    if (cp == 0) throw EConvertError("Unknown character set " + std::to_string(charset));
    return cp;
}

std::u16string AnsiToUnicode(std::string_view text, int charset, int codePage)
{
    if (text.empty()) return std::u16string();
    return MultiByteToWide(codePage == 0 ? CharsetToCP(charset) : codePage, text);
}

std::string UnicodeToAnsi(std::u16string_view text, int charset, int codePage)
{
    if (text.empty()) return std::string();
    return WideToMultiByte(codePage == 0 ? CharsetToCP(charset) : codePage, text);
}

int CharsetToLCID(int charset)
{
    switch (charset) {
    case 128: return 1041;
    case 129: return 1042;
    case 130: return 2066;
    case 134: return 2052;
    case 136: return 3076;
    case 161: return 1032;
    case 162: return 1055;
    case 163: return 1066;
    case 177: return 1037;
    case 178: return 13313;
    case 186: return 1061;
    case 204: return 1049;
    case 222: return 1054;
    case 238: return 1029;
    default: return kDefaultLCID;
    }
}
