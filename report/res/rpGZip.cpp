#include "rpGZip.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "rpRes.h"

namespace {

// Larger output than this is no bitmap of ours: refuse it rather than fill
// the memory.
constexpr size_t kMaxUnpacked = size_t(256) << 20;

[[noreturn]] void decompressError()
{
    throw EZDecompressionError(GetResources().Get("clDecompressError"));
}

}  // namespace

std::string GZipUnpack(std::string_view packed, std::string* fileName)
{
    const auto* p = reinterpret_cast<const unsigned char*>(packed.data());
    const size_t n = packed.size();
    // Fixed header (10 bytes) and the CRC-32 and length trailer (8 bytes).
    if (n < 18 || p[0] != 0x1F || p[1] != 0x8B || p[2] != 8) decompressError();
    const unsigned flags = p[3];
    if (flags & 0xE0) decompressError();
    const unsigned char* mtime = p + 4;
    size_t pos = 10;
    if (flags & 0x04) {  // FEXTRA
        if (pos + 2 > n) decompressError();
        pos += 2 + (p[pos] | (p[pos + 1] << 8));
    }
    std::string name;
    if (flags & 0x08) {  // FNAME
        while (pos < n && p[pos] != 0) name += static_cast<char>(p[pos++]);
        ++pos;
    }
    if (flags & 0x10) {  // FCOMMENT
        while (pos < n && p[pos] != 0) ++pos;
        ++pos;
    }
    if (flags & 0x02) pos += 2;  // FHCRC
    if (pos + 8 > n) decompressError();

    // 78 DA, the deflate data, then MTIME as the Adler-32 trailer.
    std::vector<unsigned char> zstream;
    zstream.reserve(n - pos - 8 + 6);
    zstream.push_back(0x78);
    zstream.push_back(0xDA);
    zstream.insert(zstream.end(), p + pos, p + n - 8);
    zstream.insert(zstream.end(), mtime, mtime + 4);

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) decompressError();
    zs.next_in = zstream.data();
    zs.avail_in = static_cast<uInt>(zstream.size());
    std::string out;
    char chunk[16384];
    int rc;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(chunk);
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;
        out.append(chunk, sizeof chunk - zs.avail_out);
        if (out.size() > kMaxUnpacked) {
            rc = Z_MEM_ERROR;
            break;
        }
        if (rc == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) {
            rc = Z_BUF_ERROR;  // truncated
            break;
        }
    } while (rc != Z_STREAM_END);
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) decompressError();
    if (fileName) *fileName = name;
    return out;
}

void GZipUnpack(TStream& source, TStream& dest, std::string& fileName)
{
    const int64_t size = source.Size() - source.Position();
    std::string packed(static_cast<size_t>(size > 0 ? size : 0), '\0');
    source.ReadBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    const std::string data = GZipUnpack(packed, &fileName);
    dest.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}
