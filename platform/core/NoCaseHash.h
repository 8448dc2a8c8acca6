#pragma once
// Hashing and equality that ignore ASCII case, as SameText compares names
// (classes, properties, components), for unordered containers looked up
// by std::string_view without building a key.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept
    {
        uint64_t h = 14695981039346656037ull;
        for (char c : s) {
            h ^= static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
            h *= 1099511628211ull;
        }
        return static_cast<size_t>(h);
    }
};

struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept
    {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            char x = a[i], y = b[i];
            if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + ('a' - 'A'));
            if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + ('a' - 'A'));
            if (x != y) return false;
        }
        return true;
    }
};

template <class V>
using NoCaseMap = std::unordered_map<std::string, V, NoCaseHash, NoCaseEqual>;
template <class V>
using NoCaseMultiMap = std::unordered_multimap<std::string, V, NoCaseHash, NoCaseEqual>;
