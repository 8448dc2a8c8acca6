#include "sc_xml.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "Exceptions.h"
#include "Streams.h"
#include "SysUtils.h"
#include "sc_parser.h"
#include "sc_stack.h"

namespace {

constexpr int kBufferSize = 4096;

[[noreturn]] void invalidFormat()
{
    throw Exception("Invalid file format");
}

// Where one attribute stands inside an element's raw attribute text.
struct AttributeSpan {
    size_t nameStart = 0;
    size_t valueStart = 0;
    size_t close = std::string::npos;  // index of the closing quote
};

// Walks the name="value" pairs in order, so that text inside a value can
// never be taken for another attribute.
bool findAttribute(const std::string& text, std::string_view name, AttributeSpan& span)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
        if (i >= n) break;
        const size_t nameStart = i;
        while (i < n && text[i] != '=' && static_cast<unsigned char>(text[i]) > ' ') ++i;
        const size_t nameEnd = i;
        if (i >= n || text[i] != '=' || i + 1 >= n || text[i + 1] != '"') {
            while (i < n && static_cast<unsigned char>(text[i]) > ' ') ++i;
            continue;
        }
        const size_t valueStart = i + 2;
        const size_t close = text.find('"', valueStart);
        if (SameText(std::string_view(text).substr(nameStart, nameEnd - nameStart), name)) {
            span = {nameStart, valueStart, close};
            return true;
        }
        if (close == std::string::npos) break;
        i = close + 1;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- escaping

std::string scStrToXML(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += "&#34;"; break;
        case '&': out += "&#38;"; break;
        case '<': out += "&#60;"; break;
        case '>': out += "&#62;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string scXMLToStr(std::string_view text)
{
    if (text.find('&') == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '&' && i + 1 < n && text[i + 1] == '#') {
            const size_t semi = text.find(';', i + 2);
            if (semi != std::string_view::npos && semi > i + 2) {
                const int64_t code = StrToInt(text.substr(i + 2, semi - i - 2));
                scAppendCodePoint(out, code < 0 || code > 0x10FFFF ? 0xFFFD : static_cast<uint32_t>(code));
                i = semi;
                continue;
            }
        } else if (c == '&' && text.substr(i, 6) == "&quot;") {
            out.push_back('"');
            i += 5;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

// ---------------------------------------------------------------- items

TscXMLItem::~TscXMLItem()
{
    Clear();
    if (Parent) {
        auto& siblings = Parent->children_;
        const auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end()) siblings.erase(it);
    }
}

TscXMLItem* TscXMLItem::Add()
{
    auto* item = new TscXMLItem;
    item->Parent = this;
    children_.push_back(item);
    return item;
}

void TscXMLItem::AddItem(TscXMLItem* item)
{
    children_.push_back(item);
    if (item->Parent) {
        auto& old = item->Parent->children_;
        // The first occurrence: when re-added to the same parent, the old entry goes.
        const auto it = std::find(old.begin(), old.end(), item);
        if (it != old.end()) old.erase(it);
    }
    item->Parent = this;
}

void TscXMLItem::InsertItem(int index, TscXMLItem* item)
{
    AddItem(item);
    if (index < 0) index = 0;
    if (index >= Count()) return;
    children_.pop_back();
    children_.insert(children_.begin() + index, item);
}

void TscXMLItem::Clear()
{
    // Without recursion (an intermediate program nests as deep as its
    // source) and without allocating, as it runs in destructors also when
    // memory ran out: the items waiting are a stack linked through their
    // own Parent fields.
    TscXMLItem* pending = nullptr;
    auto push = [&pending](std::vector<TscXMLItem*>& items) {
        for (TscXMLItem* item : items) {
            item->Parent = pending;
            pending = item;
        }
        items.clear();
    };
    push(children_);
    while (pending) {
        TscXMLItem* item = pending;
        pending = item->Parent;
        push(item->children_);
        item->Parent = nullptr;
        delete item;
    }
}

TscXMLItem* TscXMLItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return children_[index];
}

int TscXMLItem::Find(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(children_[i]->Name, name)) return i;
    return -1;
}

TscXMLItem* TscXMLItem::FindItem(std::string_view name)
{
    const int i = Find(name);
    if (i >= 0) return children_[i];
    TscXMLItem* item = Add();
    item->Name = std::string(name);
    return item;
}

TscXMLItem* TscXMLItem::Root()
{
    TscXMLItem* item = this;
    while (item->Parent) item = item->Parent;
    return item;
}

std::string TscXMLItem::Prop(std::string_view name) const
{
    AttributeSpan span;
    if (!findAttribute(Text, name, span) || span.close == std::string::npos) return {};
    return scXMLToStr(std::string_view(Text).substr(span.valueStart, span.close - span.valueStart));
}

void TscXMLItem::SetProp(std::string_view name, std::string_view value)
{
    std::string pair;
    pair.reserve(name.size() + value.size() + 4);
    pair.append(name).append("=\"").append(scStrToXML(value)).push_back('"');
    AttributeSpan span;
    size_t at = Text.size();
    if (findAttribute(Text, name, span)) {
        at = span.nameStart;
        const size_t end = span.close == std::string::npos ? Text.size() : span.close + 1;
        Text.erase(at, end - at);
    }
    if (at > 0 && Text[at - 1] != ' ') pair.insert(pair.begin(), ' ');
    Text.insert(at, pair);
}

void TscXMLItem::Assign(const TscXMLItem* item)
{
    scCheckCompileStack();
    Clear();
    if (!item) return;
    Name = item->Name;
    Text = item->Text;
    Data = item->Data;
    for (const auto* child : item->children_) Add()->Assign(child);
}

// ---------------------------------------------------------------- reader

TscXMLReader::TscXMLReader(std::istream& stream) : stream_(stream), buffer_(new char[kBufferSize])
{
    const auto start = stream_.tellg();
    if (start < 0) {
        // Not seekable (a pipe): read to its end, leave it where reading stopped.
        stream_.clear();
        seekable_ = false;
        size_ = INT64_MAX;
        return;
    }
    position_ = static_cast<int64_t>(start);
    stream_.seekg(0, std::ios::end);
    const auto end = stream_.tellg();
    size_ = end < 0 ? INT64_MAX : static_cast<int64_t>(end);
    stream_.clear();
    stream_.seekg(start);
}

TscXMLReader::~TscXMLReader()
{
    stream_.clear();
    if (seekable_) stream_.seekg(position_);
}

int TscXMLReader::readByte()
{
    if (index_ >= fill_) {
        if (position_ >= size_) return -1;
        const auto want = static_cast<std::streamsize>(std::min<int64_t>(kBufferSize, size_ - position_));
        stream_.read(buffer_.get(), want);
        fill_ = static_cast<int>(stream_.gcount());
        index_ = 0;
        if (fill_ <= 0) {
            size_ = position_;
            return -1;
        }
    }
    ++position_;
    return static_cast<unsigned char>(buffer_[index_++]);
}

void TscXMLReader::ReadTag(std::string& name, std::string& text)
{
    name.clear();
    text.clear();
    std::string tag;
    for (;;) {
        int c;
        do c = readByte();
        while (c != -1 && c != '<');
        if (c == -1) return;
        tag.clear();
        bool comment = false;
        int hyphens = 0;
        for (;;) {
            c = readByte();
            if (c == -1) invalidFormat();
            if (comment) {
                // "-->" closes, but a third hyphen in a row starts the count again.
                if (c == '-') {
                    hyphens = hyphens == 2 ? 1 : hyphens + 1;
                } else if (c == '>' && hyphens == 2) {
                    break;
                } else {
                    hyphens = 0;
                }
                continue;
            }
            if (c == '>') break;
            if (c == '<') invalidFormat();
            tag.push_back(static_cast<char>(c));
            if (tag.size() == 3 && tag == "!--") comment = true;
        }
        if (!comment) break;
    }
    if (!tag.empty() && tag.back() == ' ') tag.pop_back();
    size_t blank = 0;
    while (blank < tag.size() && static_cast<unsigned char>(tag[blank]) > ' ') ++blank;
    name = tag.substr(0, blank);
    if (blank < tag.size()) text = tag.substr(blank + 1);
}

void TscXMLReader::ReadHeader()
{
    std::string name;
    std::string text;
    ReadTag(name, text);
    if (name.compare(0, 4, "?xml") != 0) invalidFormat();
}

bool TscXMLReader::ReadItem(TscXMLItem* item, int depth)
{
    ReadTag(item->Name, item->Text);
    lastTag_ = item->Name;
    if (item->Name.empty() || item->Name[0] == '/') return false;
    if (item->Name.back() == '/') {
        item->Name.pop_back();
        return true;
    }
    if (!item->Text.empty() && item->Text.back() == '/') {
        item->Text.pop_back();
        return true;
    }
    if (depth >= scMaxXMLDepth || scStackLow()) throw Exception("XML elements nested too deeply");
    for (;;) {
        auto child = std::make_unique<TscXMLItem>();
        if (!ReadItem(child.get(), depth + 1)) break;
        item->AddItem(child.release());
    }
    if (!lastTag_.empty() && !(lastTag_.size() == item->Name.size() + 1 && lastTag_[0] == '/' &&
                               SameText(std::string_view(lastTag_).substr(1), item->Name)))
        invalidFormat();
    return true;
}

// ---------------------------------------------------------------- writer

TscXMLWriter::TscXMLWriter(std::ostream& stream, bool autoIndent) : stream_(stream), autoIndent_(autoIndent) {}

TscXMLWriter::~TscXMLWriter()
{
    Flush();
}

void TscXMLWriter::WriteLine(std::string_view line)
{
    buffer_.append(line);
    if (autoIndent_) buffer_.append("\r\n");
    if (buffer_.size() > static_cast<size_t>(kBufferSize)) Flush();
}

void TscXMLWriter::WriteItem(const TscXMLItem* item, int level)
{
    writeItem(item, level, 0);
}

// No deeper than the reader accepts, so that what is written reads back
// (and a tree built deep by a script cannot exhaust the stack).
void TscXMLWriter::writeItem(const TscXMLItem* item, int level, int depth)
{
    std::string line;
    if (autoIndent_) line.assign(static_cast<size_t>(level), ' ');
    line.push_back('<');
    line.append(item->Name);
    if (!item->Text.empty()) {
        if (item->Text[0] != ' ') line.push_back(' ');
        line.append(item->Text);
    }
    line.append(item->Count() == 0 ? "/>" : ">");
    WriteLine(line);
    if (item->Count() == 0) return;
    if (depth >= scMaxXMLDepth || scStackLow()) throw Exception("XML elements nested too deeply");
    for (int i = 0; i < item->Count(); ++i) writeItem(item->Items(i), autoIndent_ ? level + 2 : 0, depth + 1);
    line.assign(autoIndent_ ? static_cast<size_t>(level) : 0, ' ');
    line.append("</").append(item->Name).push_back('>');
    WriteLine(line);
}

void TscXMLWriter::Flush()
{
    if (buffer_.empty()) return;
    stream_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
}

// ---------------------------------------------------------------- document

TscXMLDocument::TscXMLDocument() : root_(std::make_unique<TscXMLItem>()) {}

TscXMLDocument::~TscXMLDocument() = default;

void TscXMLDocument::LoadFromStream(std::istream& stream)
{
    TscXMLReader reader(stream);
    root_->Clear();
    root_->Name.clear();
    root_->Text.clear();
    reader.ReadHeader();
    reader.ReadItem(root_.get());
}

void TscXMLDocument::SaveToStream(std::ostream& stream) const
{
    TscXMLWriter writer(stream, AutoIndent);
    writer.WriteLine("<?xml version=\"1.0\"?>");
    writer.WriteItem(root_.get(), 0);
    writer.Flush();
}

void TscXMLDocument::LoadFromFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    try {
        LoadFromStream(file);
    } catch (const Exception& e) {
        if (e.message() != "Invalid file format") throw;
        throw Exception(e.message() + ": \"" + fileName + "\"");
    }
}

void TscXMLDocument::SaveToFile(const std::string& fileName) const
{
    const std::string text = SaveToString();
    TSaveFileStream file(fileName);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    file.Commit();
}

void TscXMLDocument::LoadFromString(std::string_view text)
{
    std::istringstream stream{std::string(text)};
    LoadFromStream(stream);
}

std::string TscXMLDocument::SaveToString() const
{
    std::ostringstream stream;
    SaveToStream(stream);
    return std::move(stream).str();
}
