#include "rpPageStore.h"

#include "Exceptions.h"
#include "rpUtilsStreams.h"
#include "rpXML.h"

namespace {

void putVarint(std::string& out, uint64_t v)
{
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

uint64_t getVarint(const std::string& in, size_t& pos)
{
    uint64_t v = 0;
    for (int shift = 0; pos < in.size() && shift < 64; shift += 7) {
        const auto b = static_cast<unsigned char>(in[pos++]);
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
    throw EReadError("Damaged prepared page");
}

// One element header at pos: name + 1 (0 is the end mark), text length,
// text. Returns false at an end mark, which it consumes.
bool readHeader(const std::string& blob, size_t& pos, TrpPageStore::Element& e)
{
    const uint64_t name = getVarint(blob, pos);
    if (name == 0) return false;
    const uint64_t len = getVarint(blob, pos);
    if (len > blob.size() - pos) throw EReadError("Damaged prepared page");
    e.name = static_cast<uint32_t>(name - 1);
    e.text = std::string_view(blob).substr(pos, len);
    pos += len;
    return true;
}

// Past the children of the element whose header was just read.
void skipChildren(const std::string& blob, size_t& pos)
{
    TrpPageStore::Element e;
    for (int depth = 1; depth > 0;) {
        if (pos >= blob.size()) throw EReadError("Damaged prepared page");
        depth += readHeader(blob, pos, e) ? 1 : -1;
    }
}

}  // namespace

TrpPageStore::TrpPageStore() = default;
TrpPageStore::~TrpPageStore() = default;

uint32_t TrpPageStore::Intern(std::string_view name)
{
    auto it = ids_.find(std::string(name));
    if (it != ids_.end()) return it->second;
    const auto id = static_cast<uint32_t>(names_.size());
    names_.emplace_back(name);
    ids_.emplace(names_.back(), id);
    return id;
}

uint32_t TrpPageStore::Find(std::string_view name) const
{
    auto it = ids_.find(std::string(name));
    return it == ids_.end() ? UINT32_MAX : it->second;
}

void TrpPageStore::AddPage(uint32_t name)
{
    pages_.emplace_back().name = name;
}

void TrpPageStore::InsertPage(int at, uint32_t name, std::string text)
{
    Page page;
    page.name = name;
    if (!text.empty()) page.text = std::make_unique<std::string>(std::move(text));
    pages_.insert(pages_.begin() + at, std::move(page));
}

void TrpPageStore::DeletePage(int index)
{
    pages_.erase(pages_.begin() + index);
}

void TrpPageStore::Clear()
{
    pages_.clear();
    pages_.shrink_to_fit();
    names_.clear();
    ids_.clear();
    temp_.reset();
}

const std::string& TrpPageStore::PageText(int index) const
{
    static const std::string none;
    const Page& page = pages_[index];
    return page.text ? *page.text : none;
}

void TrpPageStore::SetPageText(int index, std::string text)
{
    Page& page = writable(index);
    if (text.empty())
        page.text.reset();
    else
        page.text = std::make_unique<std::string>(std::move(text));
}

void TrpPageStore::SetUnloadable(int index, bool value)
{
    if (!value) EnsureLoaded(index);
    pages_[index].unloadable = value;
}

void TrpPageStore::Trim(int index)
{
    Page& page = pages_[index];
    page.blob.shrink_to_fit();
    page.tops.shrink_to_fit();
}

TrpPageStore::Page& TrpPageStore::writable(int index)
{
    EnsureLoaded(index);
    Page& page = pages_[index];
    page.changed = true;
    return page;
}

void TrpPageStore::BeginElement(int index, uint32_t name, std::string_view text)
{
    Page& page = writable(index);
    if (page.depth == 0) page.tops.push_back(static_cast<uint32_t>(page.blob.size()));
    putVarint(page.blob, uint64_t(name) + 1);
    putVarint(page.blob, text.size());
    page.blob.append(text);
    ++page.depth;
}

void TrpPageStore::EndElement(int index)
{
    Page& page = pages_[index];
    if (page.depth == 0) return;
    page.blob += '\0';
    --page.depth;
}

TrpPageStore::Mark TrpPageStore::End(int index)
{
    EnsureLoaded(index);
    const Page& page = pages_[index];
    return {page.blob.size(), page.tops.size(), page.depth};
}

void TrpPageStore::Rollback(int index, const Mark& mark)
{
    Page& page = writable(index);
    page.blob.resize(mark.bytes);
    page.tops.resize(mark.tops);
    page.depth = mark.depth;
}

TrpPageStore::Element TrpPageStore::Top(int page, int index)
{
    EnsureLoaded(page);
    size_t pos = pages_[page].tops[index];
    Element e;
    readHeader(pages_[page].blob, pos, e);
    return e;
}

void TrpPageStore::Truncate(int index, int from)
{
    Page& page = writable(index);
    if (from < 0 || from >= static_cast<int>(page.tops.size())) return;
    page.blob.resize(page.tops[from]);
    page.tops.resize(from);
    page.depth = 0;
}

// ---------------------------------------------------------------- reader

TrpPageStore::Reader::Reader(TrpPageStore& store, int page) : blob_((store.EnsureLoaded(page), store.pages_[page].blob))
{
}

bool TrpPageStore::Reader::Next(Element& element)
{
    if (pendingChildren_) skipChildren(blob_, pos_);
    pendingChildren_ = false;
    if (depth_ == 0 && pos_ >= blob_.size()) return false;
    if (!readHeader(blob_, pos_, element)) return false;
    pendingChildren_ = true;
    return true;
}

void TrpPageStore::Reader::Leave()
{
    --depth_;
    pendingChildren_ = false;
}

// ---------------------------------------------------------------- XML form

namespace {

TrpXMLItem* addItem(const TrpPageStore& store, TrpXMLItem* parent, const TrpPageStore::Element& e)
{
    TrpXMLItem* item = parent->Add();
    item->SetName(store.NameOf(e.name));
    item->SetText(std::string(e.text));
    return item;
}

// The children of the element whose header was just read, and its end mark.
void decodeChildren(const TrpPageStore& store, const std::string& blob, size_t& pos, TrpXMLItem* parent)
{
    TrpPageStore::Element e;
    for (;;) {
        if (pos >= blob.size()) throw EReadError("Damaged prepared page");
        if (!readHeader(blob, pos, e)) return;
        decodeChildren(store, blob, pos, addItem(store, parent, e));
    }
}

// Top-level elements from pos to the end of the page.
void decodeTops(const TrpPageStore& store, const std::string& blob, size_t pos, TrpXMLItem* parent)
{
    TrpPageStore::Element e;
    while (pos < blob.size()) {
        readHeader(blob, pos, e);
        decodeChildren(store, blob, pos, addItem(store, parent, e));
    }
}

}  // namespace

void TrpPageStore::ToXML(int index, TrpXMLItem* pageItem)
{
    EnsureLoaded(index);
    const Page& page = pages_[index];
    pageItem->SetName(NameOf(page.name));
    pageItem->SetText(PageText(index));
    decodeTops(*this, page.blob, 0, pageItem);
}

void TrpPageStore::encodeChildren(Page& page, const TrpXMLItem* parent, int depth)
{
    for (int i = 0; i < parent->Count(); ++i) {
        const TrpXMLItem* item = parent->Items(i);
        if (depth == 0) page.tops.push_back(static_cast<uint32_t>(page.blob.size()));
        putVarint(page.blob, uint64_t(Intern(item->Name())) + 1);
        putVarint(page.blob, item->Text().size());
        page.blob.append(item->Text());
        encodeChildren(page, item, depth + 1);
        page.blob += '\0';
    }
}

void TrpPageStore::AppendXML(int index, const TrpXMLItem* parent)
{
    encodeChildren(writable(index), parent, 0);
}

void TrpPageStore::CutToXML(int index, int from, TrpXMLItem* target)
{
    EnsureLoaded(index);
    const Page& page = pages_[index];
    if (from < 0 || from >= static_cast<int>(page.tops.size())) return;
    decodeTops(*this, page.blob, page.tops[from], target);
    Truncate(index, from);
}

// ---------------------------------------------------------------- parking

void TrpPageStore::Park(int index)
{
    Page& page = pages_[index];
    if (!page.loaded || !page.unloadable || page.depth != 0) return;
    if (page.changed || page.fileOffset < 0) {
        if (!temp_) temp_ = OpenUnlinkedTempFile(TempDir);
        page.fileOffset = temp_->Seek(0, soEnd);
        temp_->WriteBuffer(page.blob.data(), static_cast<int64_t>(page.blob.size()));
        page.fileSize = static_cast<uint32_t>(page.blob.size());
        page.changed = false;
    }
    std::string().swap(page.blob);
    std::vector<uint32_t>().swap(page.tops);
    page.loaded = false;
}

void TrpPageStore::EnsureLoaded(int index)
{
    Page& page = pages_[index];
    if (page.loaded) return;
    std::string blob(page.fileSize, '\0');
    temp_->Seek(page.fileOffset, soBeginning);
    temp_->ReadBuffer(blob.data(), page.fileSize);
    std::vector<uint32_t> tops;
    Element e;
    for (size_t pos = 0; pos < blob.size();) {
        tops.push_back(static_cast<uint32_t>(pos));
        if (!readHeader(blob, pos, e)) throw EReadError("Damaged prepared page");
        skipChildren(blob, pos);
    }
    page.blob = std::move(blob);
    page.tops = std::move(tops);
    page.loaded = true;
    page.changed = false;
}

int64_t TrpPageStore::TempSize() const
{
    return temp_ ? temp_->Size() : 0;
}

size_t TrpPageStore::MemoryUsed() const
{
    size_t bytes = pages_.size() * sizeof(Page);
    for (const Page& page : pages_)
        bytes += page.blob.capacity() + page.tops.capacity() * sizeof(uint32_t) +
                 (page.text ? sizeof(std::string) + page.text->capacity() : 0);
    for (const std::string& name : names_) bytes += name.capacity() + sizeof(std::string) + 32;
    return bytes;
}
