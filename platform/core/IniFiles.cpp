#include "IniFiles.h"

#include <fstream>
#include <iterator>

#include "Streams.h"
#include "StringLists.h"
#include "SysUtils.h"

// ---------------------------------------------------------------- lines

namespace {

std::string_view trimmed(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

// "[Name]": the trimmed name; false for other lines.
bool sectionName(std::string_view line, std::string_view& name)
{
    const std::string_view t = trimmed(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = trimmed(t.substr(1, close - 1));
    return true;
}

// "name=value" outside comments: both trimmed.
bool entry(std::string_view line, std::string_view& key, std::string_view& value)
{
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trimmed(t.substr(0, eq));
    value = trimmed(t.substr(eq + 1));
    return !key.empty();
}

std::string keyLine(std::string_view key, std::string_view value)
{
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

}  // namespace

void TIniText::SetText(std::string_view text)
{
    Clear();
    byteOrderMark_ = text.substr(0, 3) == "\xEF\xBB\xBF";
    if (byteOrderMark_) text.remove_prefix(3);
    const size_t firstBreak = text.find('\n');
    lineBreak_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r' ? "\r\n" : "\n";
    finalBreak_ = text.empty() || text.back() == '\n';
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::string TIniText::Text() const
{
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalBreak_) out += lineBreak_;
    }
    return out;
}

void TIniText::Clear()
{
    lines_.clear();
    lineBreak_ = "\n";
    byteOrderMark_ = false;
    finalBreak_ = true;
}

size_t TIniText::findSection(std::string_view section) const
{
    std::string_view name;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (sectionName(lines_[i], name) && SameText(name, section)) return i;
    return npos;
}

size_t TIniText::sectionEnd(size_t header) const
{
    std::string_view name;
    size_t i = header + 1;
    while (i < lines_.size() && !sectionName(lines_[i], name)) ++i;
    return i;
}

size_t TIniText::findKey(size_t header, std::string_view ident) const
{
    std::string_view key, value;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (entry(lines_[i], key, value) && SameText(key, ident)) return i;
    return npos;
}

bool TIniText::Read(std::string_view section, std::string_view ident, std::string& value) const
{
    const size_t header = findSection(section);
    if (header == npos) return false;
    const size_t at = findKey(header, ident);
    if (at == npos) return false;
    std::string_view key, found;
    entry(lines_[at], key, found);
    value.assign(found);
    return true;
}

void TIniText::Write(std::string_view section, std::string_view ident, std::string_view value)
{
    const std::string_view key = trimmed(ident);
    const std::string_view text = trimmed(value);
    // Written raw, a line break would start a line of its own: a key or a
    // section that nobody wrote, read back next time.
    auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (hasBreak(text))
        throw EIniFileException("The value of ini key \"" + std::string(key) + "\" in section [" +
                                std::string(trimmed(section)) + "] holds a line break");
    if (hasBreak(key) || hasBreak(trimmed(section)))
        throw EIniFileException("The ini key \"" + std::string(key) + "\" or its section [" +
                                std::string(trimmed(section)) + "] holds a line break");
    size_t header = findSection(section);
    if (header == npos) {
        if (!lines_.empty() && !trimmed(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + std::string(trimmed(section)) + "]");
        lines_.push_back(keyLine(key, text));
        return;
    }
    const size_t at = findKey(header, key);
    if (at != npos) {
        std::string_view oldKey, oldValue;
        entry(lines_[at], oldKey, oldValue);
        lines_[at] = keyLine(oldKey, text);
        return;
    }
    // After the section's last non-blank line, so blank separators stay.
    size_t insert = sectionEnd(header);
    while (insert > header + 1 && trimmed(lines_[insert - 1]).empty()) --insert;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), keyLine(key, text));
}

void TIniText::DeleteKey(std::string_view section, std::string_view ident)
{
    const size_t header = findSection(section);
    if (header == npos) return;
    const size_t at = findKey(header, ident);
    if (at != npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
}

void TIniText::EraseSection(std::string_view section)
{
    for (size_t header = findSection(section); header != npos; header = findSection(section))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
}

std::vector<std::string> TIniText::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    const size_t header = findSection(section);
    if (header == npos) return keys;
    std::string_view key, value;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (entry(lines_[i], key, value)) keys.emplace_back(key);
    return keys;
}

std::vector<std::string> TIniText::Sections() const
{
    std::vector<std::string> names;
    std::string_view name;
    for (const std::string& line : lines_)
        if (sectionName(line, name)) names.emplace_back(name);
    return names;
}

// ---------------------------------------------------------------- common reads and writes

namespace {

template <class T, class Parse>
T readConverted(TCustomIniFile& ini, std::string_view section, std::string_view ident, T def, Parse parse)
{
    const std::string text = ini.ReadString(section, ident, "");
    if (text.empty()) return def;
    try {
        return parse(text);
    } catch (const EConvertError&) {
        return def;
    }
}

int hexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void fillList(TStrings* strings, const std::vector<std::string>& items)
{
    if (!strings) return;
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (const std::string& s : items) strings->Add(s);
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

}  // namespace

void TCustomIniFile::ReadSectionValues(std::string_view section, TStrings* strings)
{
    if (!strings) return;
    TStringList keys;
    ReadSection(section, &keys);
    std::vector<std::string> lines;
    for (int i = 0; i < keys.Count(); ++i) lines.push_back(keys[i] + "=" + ReadString(section, keys[i], ""));
    fillList(strings, lines);
}

bool TCustomIniFile::SectionExists(std::string_view section)
{
    TStringList keys;
    ReadSection(section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident)
{
    TStringList keys;
    ReadSection(section, &keys);
    return keys.IndexOf(ident) >= 0;
}

int32_t TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t def)
{
    std::string text = ReadString(section, ident, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    return StrToIntDef(text, def);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def)
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

TDateTime TCustomIniFile::ReadDate(std::string_view section, std::string_view ident, TDateTime def)
{
    return readConverted(*this, section, ident, def, [](const std::string& s) { return StrToDate(s); });
}

void TCustomIniFile::WriteDate(std::string_view section, std::string_view ident, TDateTime value)
{
    WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(std::string_view section, std::string_view ident, TDateTime def)
{
    return readConverted(*this, section, ident, def, [](const std::string& s) { return StrToDateTime(s); });
}

void TCustomIniFile::WriteDateTime(std::string_view section, std::string_view ident, TDateTime value)
{
    WriteString(section, ident, DateTimeToStr(value));
}

TDateTime TCustomIniFile::ReadTime(std::string_view section, std::string_view ident, TDateTime def)
{
    return readConverted(*this, section, ident, def, [](const std::string& s) { return StrToTime(s); });
}

void TCustomIniFile::WriteTime(std::string_view section, std::string_view ident, TDateTime value)
{
    WriteString(section, ident, TimeToStr(value));
}

double TCustomIniFile::ReadFloat(std::string_view section, std::string_view ident, double def)
{
    return readConverted(*this, section, ident, def,
                         [](const std::string& s) { return static_cast<double>(StrToFloat(s)); });
}

void TCustomIniFile::WriteFloat(std::string_view section, std::string_view ident, double value)
{
    WriteString(section, ident, FloatToStr(value));
}

int TCustomIniFile::ReadBinaryStream(std::string_view section, std::string_view ident, TStream* value)
{
    const std::string text = ReadString(section, ident, "");
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) break;  // the bytes before a bad digit count
        bytes += static_cast<char>(hi * 16 + lo);
    }
    if (bytes.empty() || !value) return 0;
    const int64_t at = value->Position();
    value->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    value->SetPosition(at);
    return static_cast<int>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(std::string_view section, std::string_view ident, TStream* value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    if (value) {
        const std::string bytes = value->ReadString(value->Size() - value->Position());
        text.reserve(bytes.size() * 2);
        for (unsigned char c : bytes) {
            text += digits[c >> 4];
            text += digits[c & 15];
        }
    }
    WriteString(section, ident, text);
}

// ---------------------------------------------------------------- in memory

namespace {

std::string readWholeFile(const std::string& fileName, bool& exists)
{
    std::ifstream in(fileName, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!exists) return {};
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeWholeFile(const std::string& fileName, const std::string& text)
{
    try {
        TSaveFileStream stream(fileName);
        stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        stream.Commit();
    } catch (const EStreamError& e) {
        throw EIniFileException("Unable to write to " + fileName + ": " + e.what());
    }
}

// One pair of matching enclosing quotes goes, as the system's profile
// functions do.
std::string unquoted(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName))
{
    bool exists = false;
    const std::string text = readWholeFile(FileName(), exists);
    if (exists) text_.SetText(text);
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def)
{
    std::string value;
    return text_.Read(section, ident, value) ? value : std::string(def);
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    text_.Write(section, ident, value);
}

void TMemIniFile::ReadSection(std::string_view section, TStrings* strings)
{
    fillList(strings, text_.Keys(section));
}

void TMemIniFile::ReadSections(TStrings* strings)
{
    fillList(strings, text_.Sections());
}

void TMemIniFile::EraseSection(std::string_view section)
{
    text_.EraseSection(section);
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident)
{
    text_.DeleteKey(section, ident);
}

void TMemIniFile::UpdateFile()
{
    writeWholeFile(FileName(), text_.Text());
}

void TMemIniFile::GetStrings(TStrings* list) const
{
    fillList(list, text_.Lines());
}

void TMemIniFile::SetStrings(const TStrings* list)
{
    text_.SetText(list ? list->Text() : std::string());
}

// ---------------------------------------------------------------- on disk

TIniText TIniFile::load() const
{
    TIniText text;
    text.SetText(ReadFileText());
    return text;
}

void TIniFile::save(const TIniText& text) const
{
    WriteFileText(text.Text());
}

std::string TIniFile::ReadFileText() const
{
    bool exists = false;
    return readWholeFile(FileName(), exists);
}

void TIniFile::WriteFileText(const std::string& text) const
{
    writeWholeFile(FileName(), text);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def)
{
    std::string value;
    return load().Read(section, ident, value) ? unquoted(value) : std::string(def);
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    TIniText text = load();
    text.Write(section, ident, value);
    save(text);
}

void TIniFile::ReadSection(std::string_view section, TStrings* strings)
{
    fillList(strings, load().Keys(section));
}

void TIniFile::ReadSections(TStrings* strings)
{
    fillList(strings, load().Sections());
}

void TIniFile::EraseSection(std::string_view section)
{
    TIniText text = load();
    const size_t before = text.Lines().size();
    text.EraseSection(section);
    if (text.Lines().size() != before) save(text);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident)
{
    TIniText text = load();
    const size_t before = text.Lines().size();
    text.DeleteKey(section, ident);
    if (text.Lines().size() != before) save(text);
}

// ---------------------------------------------------------------- registration

void registerIniFileClasses()
{
    RegisterClass<TCustomIniFile>(TCustomIniFile::Publish);
    RegisterClass<TMemIniFile>();
    RegisterClass<TIniFile>();
}

void unregisterIniFileClasses()
{
    UnregisterClass<TIniFile>();
    UnregisterClass<TMemIniFile>();
    UnregisterClass<TCustomIniFile>();
}
