#pragma once
// One field value as SQLite stores it: Null, integer, float, text (UTF-8) or
// blob. Null and the empty text are different values.

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

enum class StorageClass : uint8_t { Null, Integer, Float, Text, Blob };

class Value {
public:
    Value() noexcept = default;  // Null
    Value(std::nullptr_t) noexcept {}
    Value(int v) noexcept : kind_(StorageClass::Integer), i_(v) {}
    Value(int64_t v) noexcept : kind_(StorageClass::Integer), i_(v) {}
    Value(long long v) noexcept : kind_(StorageClass::Integer), i_(static_cast<int64_t>(v)) {}
    Value(double v) noexcept : kind_(StorageClass::Float), f_(v) {}
    Value(std::string v) noexcept : kind_(StorageClass::Text), s_(std::move(v)) {}
    Value(std::string_view v) : kind_(StorageClass::Text), s_(v) {}
    Value(const char* v) : kind_(StorageClass::Text), s_(v) {}
    Value(bool) = delete;  // a stray pointer or flag must not become a value

    static Value Blob(std::string bytes)
    {
        Value v(std::move(bytes));
        v.kind_ = StorageClass::Blob;
        return v;
    }

    StorageClass kind() const noexcept { return kind_; }
    bool isNull() const noexcept { return kind_ == StorageClass::Null; }

    // Payload access for the matching kind.
    int64_t integer() const noexcept { return i_; }
    double real() const noexcept { return f_; }
    const std::string& bytes() const noexcept { return s_; }

    // The value as text: Null gives "", numbers their SQLite text form.
    std::string asText() const;
    // Integer and float values as numbers; text through SQLite's own
    // numeric conversion (leading digits, else 0); Null gives 0.
    int64_t asInt64() const;
    double asDouble() const;

    friend bool operator==(const Value& a, const Value& b) noexcept
    {
        if (a.kind_ != b.kind_) return false;
        switch (a.kind_) {
        case StorageClass::Null: return true;
        case StorageClass::Integer: return a.i_ == b.i_;
        case StorageClass::Float: return a.f_ == b.f_;
        default: return a.s_ == b.s_;
        }
    }

private:
    friend class RowStore;  // decodes packed rows into a value in place
    StorageClass kind_ = StorageClass::Null;
    // Results keep many values: the number shares its room.
    union {
        int64_t i_ = 0;
        double f_;
    };
    std::string s_;
};

}  // namespace db
