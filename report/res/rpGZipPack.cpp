// Packing side of rpGZip, kept apart so that the button-strip generator can
// build it without the rest of the library.
#include <zlib.h>

#include <cstdint>

#include "rpGZip.h"

std::string GZipPack(std::string_view data, std::string_view fileName)
{
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw Exception("deflate failed");
    std::string deflated(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(deflated.data());
    zs.avail_out = static_cast<uInt>(deflated.size());
    const int rc = deflate(&zs, Z_FINISH);
    deflated.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END) throw Exception("deflate failed");

    const uint32_t adler = static_cast<uint32_t>(
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const uint32_t crc = static_cast<uint32_t>(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const uint32_t isize = static_cast<uint32_t>(data.size());

    std::string out;
    out += '\x1F';
    out += '\x8B';
    out += '\x08';
    out += '\x08';  // FNAME
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
    out += '\x02';  // best compression
    out += '\xFF';  // operating system unknown
    out.append(fileName);
    out += '\0';
    out += deflated;
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((crc >> shift) & 0xFF);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((isize >> shift) & 0xFF);
    return out;
}
