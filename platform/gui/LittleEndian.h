#pragma once
// Little-endian values in bytes read from files (pictures, metafiles). The
// caller has checked that the value lies within the bytes.

#include <cstdint>
#include <string_view>

namespace le {

inline uint16_t u16(std::string_view b, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

inline uint32_t u32(std::string_view b, size_t at)
{
    return u16(b, at) | (static_cast<uint32_t>(u16(b, at + 2)) << 16);
}

inline int16_t i16(std::string_view b, size_t at)
{
    return static_cast<int16_t>(u16(b, at));
}

inline int32_t i32(std::string_view b, size_t at)
{
    return static_cast<int32_t>(u32(b, at));
}

}  // namespace le
