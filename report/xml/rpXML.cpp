#include "rpXML.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "Classes.h"
#include "CodePages.h"
#include "SysUtils.h"
#include "rpUtilsStreams.h"

namespace {

constexpr size_t kBufferSize = 4096;
const char kInvalidFormat[] = "Invalid file format";

inline char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool sameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// Position of `name="` preceded by a blank or standing at the start, case
// ignored; npos when absent.
size_t findAttr(std::string_view text, std::string_view name)
{
    const size_t n = name.size();
    if (n == 0) return std::string_view::npos;
    for (size_t i = 0; i + n + 2 <= text.size(); ++i) {
        if (i > 0 && text[i - 1] != ' ') continue;
        if (text[i + n] != '=' || text[i + n + 1] != '"') continue;
        bool match = true;
        for (size_t k = 0; k < n; ++k)
            if (lowerAscii(text[i + k]) != lowerAscii(name[k])) {
                match = false;
                break;
            }
        if (match) return i;
    }
    return std::string_view::npos;
}

}  // namespace

// ---------------------------------------------------------------- escaping

std::string StrToXML(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 16);
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        switch (c) {
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += "&#34;"; break;
        case '<': out += "&#60;"; break;
        case '>': out += "&#62;"; break;
        case '&':
            if (s.substr(i + 1, 5) == "quot;") {
                out += "&#34;";
                i += 5;
            } else {
                out += "&#38;";
            }
            break;
        default:
            // Other control characters (a shifted password holds them) as
            // references too; a tab stays as it is.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                out += "&#";
                out += IntToStr(static_cast<unsigned char>(c));
                out += ';';
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string XMLToStr(std::string_view s)
{
    if (s.find('&') == std::string_view::npos) return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    // The last character never starts a reference.
    while (i < s.size()) {
        if (s[i] != '&' || i + 1 >= s.size()) {
            out += s[i++];
            continue;
        }
        if (s[i + 1] == '#' && s.size() - i - 1 >= 3) {
            const size_t semi = s.find(';', i + 2);
            if (semi == std::string_view::npos) {
                out += s[i++];
                continue;
            }
            const std::string_view digits = s.substr(i + 2, semi - i - 2);
            const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
            const int64_t code = hex ? StrToInt64("0x" + std::string(digits.substr(1))) : StrToInt64(digits);
            if (code >= 0 && code <= 255) {
                out += static_cast<char>(code);
            } else if (code > 255 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                Utf8Append(out, static_cast<char32_t>(code));
            } else {
                // No character: keep the reference as it stands.
                out.append(s.substr(i, semi + 1 - i));
            }
            i = semi + 1;
            continue;
        }
        const std::string_view rest = s.substr(i + 1);
        if (rest.starts_with("quot;")) {
            out += '"';
            i += 6;
        } else if (rest.starts_with("amp;")) {
            out += '&';
            i += 5;
        } else if (rest.starts_with("lt;")) {
            out += '<';
            i += 4;
        } else if (rest.starts_with("gt;")) {
            out += '>';
            i += 4;
        } else if (rest.starts_with("apos;")) {
            out += '\'';
            i += 6;
        } else {
            out += s[i++];
        }
    }
    return out;
}

std::string ValueToXML(const Variant& value)
{
    switch (value.type()) {
    case varBoolean: return value.rawBool() ? "1" : "0";
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return IntToStr(value.toInt64());
    case varSingle:
    case varDouble:
    case varCurrency: return FloatToStr(value.toDouble());
    case varDate: return DateToStr(value.toDate());
    case varString:
    case varOleStr: return StrToXML(value.toString());
    default: return std::string();
    }
}

namespace {

// What our writer and the old program write: name="value" pairs split by
// one blank, no line break, quote of the other kind or '>' anywhere. Walked
// value by value.
bool isCanonical(std::string_view text)
{
    const size_t n = text.size();
    for (const char c : {'\r', '\n', '\'', '>'})
        if (std::memchr(text.data(), c, n)) return false;
    for (size_t i = 0;;) {
        const size_t eq = text.find('=', i);
        if (eq == std::string_view::npos || eq == i || eq + 1 >= n || text[eq + 1] != '"') return false;
        for (size_t k = i; k < eq; ++k)
            if (text[k] == ' ' || text[k] == '\t') return false;
        const size_t close = text.find('"', eq + 2);
        if (close == std::string_view::npos) return false;
        i = close + 1;
        if (i == n) return true;
        if (text[i] != ' ' || i + 1 >= n || text[i + 1] == ' ' || text[i + 1] == '\t') return false;
        ++i;
    }
}

// A whole tag after its '<' and first byte, up to its '>', in the form our
// writer writes: the rest of a name, then name="value" pairs each after one
// blank, maybe a blank and a '/' at the end; no line break, quote of the
// other kind or '<' anywhere. One search a value: most tags are read so.
bool isPlainTag(const char* p, const char* end)
{
    for (const char c : {'<', '\'', '\r', '\n'})
        if (std::memchr(p, c, static_cast<size_t>(end - p))) return false;
    const char* q = p;
    while (q < end && *q != ' ' && *q != '\t' && *q != '/' && *q != '"' && *q != '=') ++q;
    for (;;) {
        if (q == end) return true;
        if (*q == ' ') {
            if (++q == end) return true;
        } else if (*q != '/') {
            return false;
        }
        if (*q == '/') return q + 1 == end;
        const char* name = q;
        while (q < end && *q != '=' && *q != ' ' && *q != '\t' && *q != '"') ++q;
        if (q == name || end - q < 2 || *q != '=' || q[1] != '"') return false;
        const void* close = std::memchr(q + 2, '"', static_cast<size_t>(end - q - 2));
        if (!close) return false;
        q = static_cast<const char*>(close) + 1;
    }
}

}  // namespace

bool NormalizeAttributes(std::string& text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    if (isCanonical(text)) return true;

    std::string out;
    out.reserve(text.size() + 16);
    const size_t n = text.size();
    size_t i = 0;
    for (;;) {
        while (i < n && blank(text[i])) ++i;
        if (i == n) break;
        const size_t nameStart = i;
        while (i < n && !blank(text[i]) && text[i] != '=') ++i;
        const std::string_view name = std::string_view(text).substr(nameStart, i - nameStart);
        while (i < n && blank(text[i])) ++i;
        if (name.empty() || i == n || text[i] != '=') return false;
        ++i;
        while (i < n && blank(text[i])) ++i;
        if (i == n || (text[i] != '"' && text[i] != '\'')) return false;
        const char quote = text[i++];
        const size_t close = text.find(quote, i);
        if (close == std::string::npos) return false;
        if (!out.empty()) out += ' ';
        out.append(name);
        out += "=\"";
        for (; i < close; ++i) {
            const char c = text[i];
            if (c == '"') {
                out += "&#34;";
            } else if (c == '>') {
                out += "&#62;";
            } else if (c == '\r' || c == '\n') {
                // XML reads a line break in a value (CR LF as one) as a
                // blank. Tabs stay: our own writer leaves them literal.
                if (c == '\r' && i + 1 < close && text[i + 1] == '\n') ++i;
                out += ' ';
            } else {
                out += c;
            }
        }
        out += '"';
        ++i;
    }
    text = std::move(out);
    return true;
}

// ---------------------------------------------------------------- item

TrpXMLItem::~TrpXMLItem()
{
    freeChildren();
}

void TrpXMLItem::freeChildren()
{
    for (TrpXMLItem* child : children_) {
        child->parent_ = nullptr;
        delete child;
    }
    children_.clear();
    children_.shrink_to_fit();
}

void TrpXMLItem::touchAncestors()
{
    for (TrpXMLItem* p = parent_; p; p = p->parent_) p->changed_ = true;
}

void TrpXMLItem::detach()
{
    if (!parent_) return;
    auto& list = parent_->children_;
    list.erase(std::find(list.begin(), list.end(), this));
    parent_->changed_ = true;
    parent_->touchAncestors();
    parent_ = nullptr;
}

TrpXMLItem* TrpXMLItem::Add()
{
    auto* item = new TrpXMLItem;
    AddItem(item);
    return item;
}

void TrpXMLItem::AddItem(TrpXMLItem* item)
{
    item->detach();
    children_.push_back(item);
    item->parent_ = this;
    changed_ = true;
    touchAncestors();
}

void TrpXMLItem::InsertItem(int index, TrpXMLItem* item)
{
    AddItem(item);
    if (index < 0 || index >= Count()) return;
    children_.pop_back();
    children_.insert(children_.begin() + index, item);
}

void TrpXMLItem::Clear()
{
    freeChildren();
    if (unloadable_) loaded_ = false;
    changed_ = true;
    touchAncestors();
}

TrpXMLItem* TrpXMLItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        RaiseListIndexError(index);
    return children_[index];
}

int TrpXMLItem::IndexOf(const TrpXMLItem* item) const
{
    auto it = std::find(children_.begin(), children_.end(), item);
    return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

int TrpXMLItem::Find(std::string_view name) const
{
    for (size_t i = 0; i < children_.size(); ++i)
        if (sameTextAscii(children_[i]->name_, name)) return static_cast<int>(i);
    return -1;
}

TrpXMLItem* TrpXMLItem::FindItem(std::string_view name)
{
    const int i = Find(name);
    if (i >= 0) return children_[i];
    TrpXMLItem* item = Add();
    item->name_ = std::string(name);
    return item;
}

std::string TrpXMLItem::Prop(std::string_view name) const
{
    const size_t at = findAttr(text_, name);
    if (at == std::string::npos) return std::string();
    const size_t start = at + name.size() + 2;
    const size_t end = text_.find('"', start);
    if (end == std::string::npos) return std::string();
    return XMLToStr(std::string_view(text_).substr(start, end - start));
}

bool TrpXMLItem::HasProp(std::string_view name) const
{
    return findAttr(text_, name) != std::string::npos;
}

void TrpXMLItem::SetProp(std::string_view name, std::string_view value)
{
    std::string pair;
    pair.reserve(name.size() + value.size() + 3);
    pair.append(name);
    pair += "=\"";
    pair += StrToXML(value);
    pair += '"';
    const size_t at = findAttr(text_, name);
    if (at != std::string::npos) {
        const size_t close = text_.find('"', at + name.size() + 2);
        const size_t end = close == std::string::npos ? text_.size() : close + 1;
        text_.replace(at, end - at, pair);
    } else {
        if (!text_.empty() && text_.back() != ' ') text_ += ' ';
        text_ += pair;
    }
    touchAncestors();
}

void TrpXMLItem::SetName(std::string name)
{
    name_ = std::move(name);
    touchAncestors();
}

void TrpXMLItem::SetText(std::string text)
{
    text_ = std::move(text);
    touchAncestors();
}

void TrpXMLItem::SetValue(std::string value)
{
    value_ = std::move(value);
    touchAncestors();
}

// ---------------------------------------------------------------- reader

TrpXMLReader::TrpXMLReader(TStream& stream) : stream_(stream), buffer_(kBufferSize)
{
    bufStart_ = stream_.Position();
    size_ = stream_.Size();
}

TrpXMLReader::~TrpXMLReader()
{
    try {
        stream_.Seek(Position(), soBeginning);
    } catch (...) {
    }
}

void TrpXMLReader::invalid()
{
    throw TrpInvalidXMLException(kInvalidFormat);
}

bool TrpXMLReader::fill()
{
    bufStart_ += static_cast<int64_t>(bufLen_);
    bufPos_ = 0;
    bufLen_ = 0;
    if (bufStart_ >= size_) return false;
    const int64_t want = std::min<int64_t>(static_cast<int64_t>(kBufferSize), size_ - bufStart_);
    const int64_t got = stream_.Read(buffer_.data(), want);
    if (got <= 0) {
        // The stream is shorter than it said: treat as its end.
        size_ = bufStart_;
        return false;
    }
    bufLen_ = static_cast<size_t>(got);
    return true;
}

int TrpXMLReader::nextByte()
{
    if (bufPos_ >= bufLen_ && !fill()) return -1;
    return static_cast<unsigned char>(buffer_[bufPos_++]);
}

void TrpXMLReader::skipPast(std::string_view end)
{
    // The last bytes read, compared with `end` at each step.
    std::string window;
    for (;;) {
        const int c = nextByte();
        if (c < 0) invalid();
        window += static_cast<char>(c);
        if (window.size() > end.size()) window.erase(0, 1);
        if (window == end) return;
    }
}

// After "<!": a comment, a CDATA section or a declaration such as DOCTYPE
// with its internal subset; none of them is an element.
void TrpXMLReader::skipMarkup()
{
    std::string head;
    for (;;) {
        const int c = nextByte();
        if (c < 0) invalid();
        head += static_cast<char>(c);
        if (head == "--") return skipPast("-->");
        if (head == "[CDATA[") return skipPast("]]>");
        if (head.size() >= 7 || (head != std::string_view("--").substr(0, head.size()) &&
                                 head != std::string_view("[CDATA[").substr(0, head.size())))
            break;
    }
    int depth = static_cast<int>(std::count(head.begin(), head.end(), '[') - std::count(head.begin(), head.end(), ']'));
    char quote = 0;
    if (head.back() == '>' && depth <= 0) return;
    for (;;) {
        const int c = nextByte();
        if (c < 0) invalid();
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = static_cast<char>(c);
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            return;
        }
    }
}

bool TrpXMLReader::readTag(std::string& name, std::string& text, bool keepInstruction)
{
    name.clear();
    text.clear();
    selfClosing_ = false;
    plainTag_ = false;
    for (;;) {
        tag_.clear();
        // Outside a tag: skip everything up to '<'.
        for (;;) {
            if (bufPos_ >= bufLen_ && !fill()) return false;
            const char* p = buffer_.data() + bufPos_;
            const void* lt = std::memchr(p, '<', bufLen_ - bufPos_);
            if (lt) {
                bufPos_ = static_cast<size_t>(static_cast<const char*>(lt) - buffer_.data()) + 1;
                break;
            }
            bufPos_ = bufLen_;
        }
        const int first = nextByte();
        if (first < 0) invalid();
        if (first == '!') {
            skipMarkup();
            continue;
        }
        if (first == '?') {
            // A processing instruction ends at "?>" whatever it holds; the
            // header is one, the others say nothing to us.
            tag_ += '?';
            for (;;) {
                const int c = nextByte();
                if (c < 0) invalid();
                if (c == '>' && tag_.size() > 1 && tag_.back() == '?') break;
                tag_ += static_cast<char>(c);
            }
            if (!keepInstruction) continue;
            break;
        }
        if (first == '<') invalid();
        if (first != '>') {
            tag_ += static_cast<char>(first);
            readElementTag(first == '"' || first == '\'' ? static_cast<char>(first) : 0);
        }
        break;
    }
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!tag_.empty() && blank(tag_.back())) tag_.pop_back();
    if (!tag_.empty() && tag_.back() == '/' && tag_[0] != '/' && tag_[0] != '?') {
        selfClosing_ = true;
        tag_.pop_back();
        while (!tag_.empty() && blank(tag_.back())) tag_.pop_back();
    }
    const auto split = std::find_if(tag_.begin(), tag_.end(), blank);
    name.assign(tag_.begin(), split);
    // A quote is no part of a name: kept, it would open a value in the end
    // tag we write.
    if (name.find_first_of("\"'") != std::string::npos) invalid();
    auto rest = split;
    while (rest != tag_.end() && blank(*rest)) ++rest;
    text.assign(rest, tag_.end());
    if (!plainTag_ && !name.empty() && name[0] != '?' && name[0] != '/' && !text.empty()) NormalizeAttributes(text);
    return true;
}

// The rest of a start or end tag up to its '>': a '>' inside a quoted
// value does not end it, a '<' anywhere is an error.
void TrpXMLReader::readElementTag(char quote)
{
    static const auto special = [] {
        std::array<bool, 256> t{};
        for (unsigned char c : {'<', '>', '"', '\''}) t[c] = true;
        return t;
    }();
    for (;;) {
        if (bufPos_ >= bufLen_ && !fill()) invalid();
        const char* p = buffer_.data() + bufPos_;
        const char* end = buffer_.data() + bufLen_;
        // The fast path looks at a whole tag: never at the rest of one that
        // began in the buffer before (its start may not be plain).
        if (!quote && tag_.size() <= 1) {
            const void* gt = std::memchr(p, '>', static_cast<size_t>(end - p));
            if (gt && isPlainTag(p, static_cast<const char*>(gt))) {
                const size_t n = static_cast<size_t>(static_cast<const char*>(gt) - p);
                plainTag_ = true;
                tag_.append(p, n);
                bufPos_ += n + 1;
                return;
            }
        }
        const char* q = p;
        bool closed = false;
        while (q < end && !closed) {
            if (quote) {
                const void* match = std::memchr(q, quote, static_cast<size_t>(end - q));
                const char* stop = match ? static_cast<const char*>(match) : end;
                if (std::memchr(q, '<', static_cast<size_t>(stop - q))) invalid();
                q = stop;
                if (match) {
                    quote = 0;
                    ++q;
                }
                continue;
            }
            while (q < end && !special[static_cast<unsigned char>(*q)]) ++q;
            if (q == end) break;
            if (*q == '<') invalid();
            if (*q == '>') {
                closed = true;
                break;
            }
            quote = *q++;
        }
        tag_.append(p, static_cast<size_t>(q - p));
        bufPos_ += static_cast<size_t>(q - p) + (closed ? 1 : 0);
        if (closed) return;
    }
}

void TrpXMLReader::ReadHeader()
{
    std::string name, text;
    int64_t start;
    const auto declaration = [&] { return name.compare(0, 4, "?xml") == 0 && (name.size() == 4 || name[4] == '?'); };
    do {
        start = Position();
        if (!readTag(name, text, true) || name.empty()) invalid();
        // Other instructions before the first element say nothing to us.
    } while (name[0] == '?' && !declaration());
    if (name[0] != '?') {
        // The declaration is optional: the first element waits for ReadRootItem.
        pending_ = Pending{std::move(name), std::move(text), start, selfClosing_};
        return;
    }
    const size_t v = text.find("version=");
    std::string version;
    if (v != std::string::npos && v + 8 < text.size()) version = text.substr(v + 9, 3);
    oldVersion_ = version == "1.0" && text.find("standalone=") == std::string::npos;
}

void TrpXMLReader::ReadRootItem(TrpXMLItem* item, bool partial)
{
    readItem(item, partial, 0);
    // No element at all (a declaration alone), or an end tag where the
    // first element should begin.
    if (item->name_.empty() || item->name_[0] == '/') invalid();
}

// The parking mark ld="0" is ours, not the element's: it leaves the
// attribute text. A partial load parks the element at its start; a full
// read keeps the children and the element stays Unloadable, so that writing
// it again gives the same file.
void TrpXMLReader::takeParkingMark(TrpXMLItem* item, bool partial, int64_t start)
{
    std::string& text = item->text_;
    // Most elements have no mark: a plain search first.
    const std::string_view view(text);
    if (view.find("d=\"0\"") == std::string_view::npos && view.find("D=\"0\"") == std::string_view::npos) return;
    const size_t ld = findAttr(text, "ld");
    if (ld == std::string::npos || ld + 5 >= text.size() || text[ld + 4] != '0' || text[ld + 5] != '"') return;
    size_t from = ld;
    size_t to = ld + 6;
    if (from > 0) {
        --from;  // with its leading blank
    } else if (to < text.size() && text[to] == ' ') {
        ++to;
    }
    text.erase(from, to - from);
    item->unloadable_ = true;
    if (partial) {
        item->freeChildren();
        item->offset_ = start;
        item->loaded_ = false;
        item->store_ = TrpXMLItem::Store::Source;
        item->changed_ = false;
    }
}

bool TrpXMLReader::readItem(TrpXMLItem* item, bool partial, int depth)
{
    if (depth > kMaxDepth) invalid();
    int64_t start = Position();
    if (pending_) {
        start = pending_->start;
        item->name_ = std::move(pending_->name);
        item->text_ = std::move(pending_->text);
        selfClosing_ = pending_->selfClosing;
        pending_.reset();
    } else {
        readTag(item->name_, item->text_, false);
    }
    lastTag_ = item->name_;
    if (item->name_.empty() || item->name_[0] == '/') return true;
    if (selfClosing_) {
        takeParkingMark(item, partial, start);
        return false;
    }
    for (;;) {
        auto* child = new TrpXMLItem;
        child->changed_ = false;
        bool end;
        try {
            end = readItem(child, partial, depth + 1);
        } catch (...) {
            // Keep what was read so far under the tree.
            if (!child->name_.empty() && child->name_[0] != '/') {
                child->parent_ = item;
                item->children_.push_back(child);
            } else {
                delete child;
            }
            throw;
        }
        if (end) {
            delete child;
            break;
        }
        child->parent_ = item;
        item->children_.push_back(child);
        if (MaxChildren != 0 && item->children_.size() > MaxChildren)
            throw TrpInvalidXMLException(std::string(kInvalidFormat) + ": more than " + std::to_string(MaxChildren) +
                                         " elements in <" + item->name_ + ">");
    }
    // The stream ended before the end tag: a file cut short (a failed copy,
    // a full disk) is not read as if it were whole.
    if (!(lastTag_.size() == item->name_.size() + 1 && lastTag_[0] == '/' &&
          sameTextAscii(std::string_view(lastTag_).substr(1), item->name_)))
        invalid();
    takeParkingMark(item, partial, start);
    return false;
}

std::string InvalidFileMessage(const std::string& message, const std::string& fileName)
{
    const std::string name = "\"" + fileName + "\"";
    const std::string_view head = kInvalidFormat;
    if (message.compare(0, head.size(), head) != 0) return name + ": " + message;
    return std::string(head) + ": " + name + message.substr(head.size());
}

// ---------------------------------------------------------------- writer

TrpXMLWriter::TrpXMLWriter(TStream& stream, bool autoIndent, TrpXMLDocument* doc)
    : stream_(stream), autoIndent_(autoIndent), doc_(doc)
{
    buffer_.reserve(kBufferSize * 2);
}

TrpXMLWriter::~TrpXMLWriter()
{
    try {
        Flush();
    } catch (...) {
    }
}

void TrpXMLWriter::Flush()
{
    if (buffer_.empty()) return;
    stream_.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    buffer_.clear();
}

void TrpXMLWriter::writeLine(std::string_view text)
{
    buffer_.append(text);
    if (autoIndent_) buffer_ += "\r\n";
    if (buffer_.size() > kBufferSize) Flush();
}

void TrpXMLWriter::indent(int level)
{
    if (autoIndent_ && level > 0) buffer_.append(static_cast<size_t>(level), ' ');
}

void TrpXMLWriter::WriteHeader()
{
    writeLine("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

void TrpXMLWriter::WriteItem(TrpXMLItem* item, int level)
{
    if (!autoIndent_) level = 0;
    const bool readBack = item->Unloadable() && !item->Loaded() && doc_;
    if (readBack) {
        // Reading moves the shared stream; our buffered output goes first.
        Flush();
        doc_->LoadItem(item);
    }

    std::string line;
    line.reserve(item->Name().size() + item->Text().size() + 16);
    indent(level);
    line += '<';
    line += item->Name();
    if (!item->Text().empty() || item->Unloadable()) {
        if (!item->Text().empty()) {
            if (item->Text()[0] != ' ') line += ' ';
            line += item->Text();
        }
        if (item->Unloadable()) line += " ld=\"0\"";
    }
    if (item->Count() > 0) {
        line += '>';
        writeLine(line);
        for (int i = 0; i < item->Count(); ++i) WriteItem(item->children_[i], level + 2);
        line.assign("</");
        line += item->Name();
        line += '>';
        indent(level);
        writeLine(line);
    } else if (!item->Value().empty()) {
        line += '>';
        line += item->Value();
        line += "</";
        line += item->Name();
        line += '>';
        writeLine(line);
    } else {
        line += "/>";
        writeLine(line);
    }

    if (readBack) {
        item->freeChildren();
        item->loaded_ = false;
    }
}

// ---------------------------------------------------------------- document

TrpXMLDocument::TrpXMLDocument() : root_(std::make_unique<TrpXMLItem>()) {}

TrpXMLDocument::~TrpXMLDocument()
{
    root_.reset();
    deleteTemp();
}

void TrpXMLDocument::deleteTemp()
{
    // The file was unlinked when it was made; closing frees it.
    temp_.reset();
}

void TrpXMLDocument::Clear()
{
    root_->freeChildren();
    root_->name_.clear();
    root_->text_.clear();
    root_->value_.clear();
    root_->store_ = TrpXMLItem::Store::None;
    root_->loaded_ = true;
    root_->unloadable_ = false;
    root_->changed_ = true;
    deleteTemp();
    source_.reset();
}

void TrpXMLDocument::load(TStream& stream, bool partial)
{
    TrpXMLReader reader(stream);
    reader.MaxChildren = MaxChildren;
    Clear();
    root_->offset_ = 0;
    reader.ReadHeader();
    OldVersion = reader.OldVersion();
    reader.ReadRootItem(root_.get(), partial);
}

void TrpXMLDocument::LoadFromStream(TStream& stream)
{
    load(stream, false);
}

void TrpXMLDocument::LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading)
{
    load(*stream, allowPartialLoading);
    if (allowPartialLoading) source_ = std::move(stream);
}

void TrpXMLDocument::SaveToStream(TStream& stream)
{
    TrpXMLWriter writer(stream, AutoIndent, this);
    writer.WriteHeader();
    writer.WriteItem(root_.get(), 0);
    writer.Flush();
}

void TrpXMLDocument::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(stream);
    } catch (const TrpInvalidXMLException& e) {
        throw TrpInvalidXMLException(InvalidFileMessage(e.message(), fileName));
    }
}

void TrpXMLDocument::SaveToFile(const std::string& fileName)
{
    TSaveFileStream stream(fileName);
    SaveToStream(stream);
    stream.Commit();
}

TStream* TrpXMLDocument::storeOf(const TrpXMLItem* item) const
{
    switch (item->store_) {
    case TrpXMLItem::Store::Source: return source_.get();
    case TrpXMLItem::Store::Temp: return temp_.get();
    default: return nullptr;
    }
}

void TrpXMLDocument::LoadItem(TrpXMLItem* item)
{
    if (!item->Unloadable() || item->Loaded()) return;
    TStream* stream = storeOf(item);
    if (!stream) return;
    const int64_t saved = stream->Position();
    const std::string name = item->name_;
    const std::string text = item->text_;
    {
        stream->Seek(item->offset_, soBeginning);
        TrpXMLReader reader(*stream);
        reader.MaxChildren = MaxChildren;
        item->freeChildren();
        reader.ReadRootItem(item, false);
    }
    stream->Seek(saved, soBeginning);
    item->name_ = name;
    item->text_ = text;
    item->loaded_ = true;
    item->changed_ = false;
}

void TrpXMLDocument::UnloadItem(TrpXMLItem* item)
{
    if (!item->Loaded() || !item->Unloadable()) return;
    if (item->store_ != TrpXMLItem::Store::None && !item->changed_ && storeOf(item)) {
        // Its copy in the stream is still good: free the children only.
        item->freeChildren();
        item->loaded_ = false;
        return;
    }
    if (!temp_) temp_ = OpenUnlinkedTempFile(TempDir);
    const int64_t at = temp_->Seek(0, soEnd);
    {
        TrpXMLWriter writer(*temp_, AutoIndent, this);
        writer.WriteItem(item, 0);
        writer.Flush();
    }
    item->offset_ = at;
    item->store_ = TrpXMLItem::Store::Temp;
    item->freeChildren();
    item->loaded_ = false;
    item->changed_ = false;
}

int64_t TrpXMLDocument::TempSize() const
{
    return temp_ ? temp_->Size() : 0;
}
