#pragma once
// The rows of a fetched result, packed: each row is one run of bytes in a
// block shared with its neighbours, each value a header byte and its
// payload (text and blob bytes as they are, integers in as few bytes as
// they need, reals in 8). A value is decoded into a Value only when read,
// so a result takes little more than its text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DbValue.h"

namespace db {

class Statement;

class RowStore {
public:
    // Packs the current row of the statement, every column of it.
    void appendRow(const Statement& st);
    // Hands back the room the last block did not use; called once the
    // result is complete.
    void finish();
    void clear() noexcept;

    std::size_t rowCount() const noexcept { return rows_.size(); }
    // The first value of a row; the following ones through next().
    const char* row(std::size_t r) const noexcept { return rows_[r]; }
    // The value after the packed value at p.
    static const char* next(const char* p) noexcept
    {
        const auto h = static_cast<uint8_t>(*p);
        if (h >= kShortText) return p + 1 + (h - kShortText);
        if (h >= kShortBlob) return p + 1 + (h - kShortBlob);
        if (h <= 8) return p + 1 + h;  // Null, integers
        if (h == kReal) return p + 1 + sizeof(double);
        return p + 5 + longLength(p);
    }
    static StorageClass kind(const char* p) noexcept
    {
        const auto h = static_cast<uint8_t>(*p);
        if (h >= kShortText || h == kLongText) return StorageClass::Text;
        if (h >= kShortBlob || h == kLongBlob) return StorageClass::Blob;
        if (h == kNull) return StorageClass::Null;
        return h == kReal ? StorageClass::Float : StorageClass::Integer;
    }
    // Overwrites `out` with the packed value at p, reusing its text room.
    // Every part is set as a Value made afresh would have it, so no read of
    // a payload that does not belong to the kind sees an earlier row.
    static void decode(const char* p, Value& out)
    {
        const auto h = static_cast<uint8_t>(*p);
        if (h >= kShortBlob) {
            const bool text = h >= kShortText;
            out.kind_ = text ? StorageClass::Text : StorageClass::Blob;
            out.i_ = 0;
            assignBytes(out, p + 1, h - (text ? kShortText : kShortBlob));
        } else if (h == kLongText || h == kLongBlob) {
            out.kind_ = h == kLongText ? StorageClass::Text : StorageClass::Blob;
            out.i_ = 0;
            assignBytes(out, p + 5, longLength(p));
        } else {
            decodeNumber(p, out);
        }
    }

    // The bytes the rows take, their index included.
    std::size_t heldBytes() const noexcept;

private:
    // The header byte of a packed value. Short texts and blobs carry their
    // length in it; longer ones a 4-byte length after it (SQLite keeps no
    // value longer than 2^31 - 1 bytes).
    static constexpr uint8_t kNull = 0x00;  // 0x01..0x08: an integer in that many bytes
    static constexpr uint8_t kReal = 0x09;
    static constexpr uint8_t kLongText = 0x0A;
    static constexpr uint8_t kLongBlob = 0x0B;
    static constexpr uint8_t kShortBlob = 0x40;  // + length below 64
    static constexpr uint8_t kShortText = 0x80;  // + length below 128

    static uint32_t longLength(const char* p) noexcept
    {
        uint32_t n;
        std::memcpy(&n, p + 1, sizeof n);
        return n;
    }
    static void decodeNumber(const char* p, Value& out) noexcept;
    static void assignBytes(Value& out, const char* data, std::size_t size)
    {
        // A text no longer than the one before it needs neither room nor
        // the string's own assign.
        std::string& s = out.s_;
        if (size > s.size()) return growBytes(s, data, size);
        copyBytes(s.data(), data, size);
        s.resize(size);
    }
    static void copyBytes(char* to, const char* from, std::size_t size) noexcept;
    static void growBytes(std::string& s, const char* data, std::size_t size);
    void addInteger(int64_t v);
    void addReal(double v);
    void addBytes(bool blob, const char* data, std::size_t size);
    char* place(std::size_t size);

    std::vector<const char*> rows_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockBytes_ = 0;
    // The block being filled: where it starts, its free room, and the
    // first row put in it.
    std::size_t fillBlock_ = 0;
    char* fillStart_ = nullptr;
    char* fill_ = nullptr;
    char* fillEnd_ = nullptr;
    std::size_t fillFirstRow_ = 0;
    std::string scratch_;  // the row being packed
};

}  // namespace db
