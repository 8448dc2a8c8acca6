#include "RowStore.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "Database.h"

namespace db {

// Integers are packed as their low bytes in memory order, low byte first.
static_assert(std::endian::native == std::endian::little);

namespace {

// Blocks grow with the result up to kMaxBlock; a row larger than a quarter
// of that gets a block of its own, so a long text neither leaves most of a
// block unused nor makes every block large.
constexpr std::size_t kMinBlock = 4096;
constexpr std::size_t kMaxBlock = 256 * 1024;
constexpr std::size_t kOwnBlock = kMaxBlock / 4;

}  // namespace

void RowStore::appendRow(const Statement& st)
{
    scratch_.clear();
    const int n = st.columnCount();
    for (int i = 0; i < n; ++i) {
        switch (const StorageClass k = st.columnKind(i)) {
        case StorageClass::Null: scratch_.push_back(static_cast<char>(kNull)); break;
        case StorageClass::Integer: addInteger(st.columnInt64(i)); break;
        case StorageClass::Float: addReal(st.columnDouble(i)); break;
        default: {
            const std::string_view b = st.columnBytes(i, k);
            addBytes(k == StorageClass::Blob, b.data(), b.size());
        }
        }
    }
    char* at = place(scratch_.size());
    if (!scratch_.empty()) std::memcpy(at, scratch_.data(), scratch_.size());
    rows_.push_back(at);
}

void RowStore::addInteger(int64_t v)
{
    // The fewest bytes that keep the sign when extended back.
    uint8_t width = 1;
    while (width < 8) {
        const int64_t limit = int64_t(1) << (8 * width - 1);
        if (v >= -limit && v < limit) break;
        ++width;
    }
    scratch_.push_back(static_cast<char>(width));
    scratch_.append(reinterpret_cast<const char*>(&v), width);
}

void RowStore::addReal(double v)
{
    scratch_.push_back(static_cast<char>(kReal));
    scratch_.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void RowStore::addBytes(bool blob, const char* data, std::size_t size)
{
    const std::size_t shortLimit = blob ? kShortText - kShortBlob : 256 - kShortText;
    if (size < shortLimit) {
        scratch_.push_back(static_cast<char>((blob ? kShortBlob : kShortText) + size));
    } else {
        scratch_.push_back(static_cast<char>(blob ? kLongBlob : kLongText));
        const auto n = static_cast<uint32_t>(size);
        scratch_.append(reinterpret_cast<const char*>(&n), sizeof n);
    }
    scratch_.append(data, size);
}

char* RowStore::place(std::size_t size)
{
    if (size > kOwnBlock) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        blockBytes_ += size;
        return blocks_.back().get();
    }
    if (size > static_cast<std::size_t>(fillEnd_ - fill_)) {
        const std::size_t bytes = std::max(std::clamp(blockBytes_, kMinBlock, kMaxBlock), size);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
        blockBytes_ += bytes;
        fillBlock_ = blocks_.size() - 1;
        fillStart_ = fill_ = blocks_.back().get();
        fillEnd_ = fill_ + bytes;
        fillFirstRow_ = rows_.size();
    }
    char* at = fill_;
    fill_ += size;
    return at;
}

void RowStore::finish()
{
    scratch_ = std::string();
    rows_.shrink_to_fit();
    if (fill_ == fillEnd_) return;
    // The last block shrinks to what it holds; its rows move along.
    const std::size_t used = static_cast<std::size_t>(fill_ - fillStart_);
    auto trimmed = std::make_unique_for_overwrite<char[]>(used);
    std::memcpy(trimmed.get(), fillStart_, used);
    for (std::size_t r = fillFirstRow_; r < rows_.size(); ++r)
        if (rows_[r] >= fillStart_ && rows_[r] <= fill_) rows_[r] = trimmed.get() + (rows_[r] - fillStart_);
    blockBytes_ -= static_cast<std::size_t>(fillEnd_ - fillStart_) - used;
    blocks_[fillBlock_] = std::move(trimmed);
    fillStart_ = fill_ = fillEnd_ = nullptr;
}

void RowStore::clear() noexcept
{
    rows_ = std::vector<const char*>();
    blocks_ = std::vector<std::unique_ptr<char[]>>();
    blockBytes_ = 0;
    fillStart_ = fill_ = fillEnd_ = nullptr;
    scratch_ = std::string();
}

std::size_t RowStore::heldBytes() const noexcept
{
    return blockBytes_ + rows_.capacity() * sizeof(const char*) + blocks_.capacity() * sizeof(blocks_[0]);
}

// Out of line on purpose: inlined, the copy of a length the compiler knows
// to be below 128 becomes a `rep movs`, several times slower than memcpy.
void RowStore::copyBytes(char* to, const char* from, std::size_t size) noexcept
{
    std::memcpy(to, from, size);
}

void RowStore::growBytes(std::string& s, const char* data, std::size_t size)
{
    s.assign(data, size);
}

void RowStore::decodeNumber(const char* p, Value& out) noexcept
{
    const auto h = static_cast<uint8_t>(*p);
    out.s_.clear();
    if (h == kReal) {
        out.kind_ = StorageClass::Float;
        std::memcpy(&out.f_, p + 1, sizeof(double));
    } else if (h == kNull) {
        out.kind_ = StorageClass::Null;
        out.i_ = 0;
    } else {
        // Sign-extend the stored low bytes.
        uint64_t u = 0;
        for (int k = h; k > 0; --k) u = u << 8 | static_cast<uint8_t>(p[k]);
        const int shift = 64 - 8 * h;
        out.kind_ = StorageClass::Integer;
        out.i_ = static_cast<int64_t>(u << shift) >> shift;
    }
}

}  // namespace db
