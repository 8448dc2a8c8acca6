#include "rpUtilsStreams.h"

#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "SysUtils.h"

uint32_t StreamCRC32(TStream& stream)
{
    const int64_t saved = stream.Position();
    stream.Seek(0, soBeginning);
    uLong crc = crc32(0, nullptr, 0);
    char buffer[65536];
    for (;;) {
        const int64_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(n));
    }
    stream.Seek(saved, soBeginning);
    return static_cast<uint32_t>(crc);
}

std::string StreamToHex(TStream& stream)
{
    static const char digits[] = "0123456789ABCDEF";
    stream.Seek(0, soBeginning);
    const int64_t size = stream.Size();
    std::string out;
    out.reserve(static_cast<size_t>(size) * 2);
    char buffer[65536];
    for (;;) {
        const int64_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        for (int64_t i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(buffer[i]);
            out += digits[b >> 4];
            out += digits[b & 15];
        }
    }
    return out;
}

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw EConvertError("'" + std::string(1, c) + "' is not a valid hexadecimal digit");
}
}  // namespace

void HexToStream(std::string_view hex, TStream& stream)
{
    std::string bytes(hex.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((hexDigit(hex[2 * i]) << 4) | hexDigit(hex[2 * i + 1]));
    // A longer earlier content must not survive behind the new bytes.
    stream.SetSize(static_cast<int64_t>(bytes.size()));
    stream.Seek(0, soBeginning);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::string GetTempFileNameIn(const std::string& folder)
{
    std::string dir = folder;
    std::error_code ec;
    if (dir.empty()) dir = std::filesystem::temp_directory_path(ec).string();
    if (dir.empty()) dir = "/tmp";
    std::string pattern = (std::filesystem::path(dir) / "rpXXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw EFCreateError("Cannot create file \"" + pattern + "\"");
    ::close(fd);
    return pattern;
}

std::unique_ptr<TStream> OpenUnlinkedTempFile(const std::string& folder)
{
    std::error_code ec;
    const bool useFolder = !folder.empty() && std::filesystem::is_directory(folder, ec);
    const std::string name = GetTempFileNameIn(useFolder ? folder : std::string());
    std::unique_ptr<TStream> file;
    try {
        file = std::make_unique<TFileStream>(name, fmOpenReadWrite);
    } catch (...) {
        ::unlink(name.c_str());
        throw;
    }
    ::unlink(name.c_str());
    return file;
}

std::string GetModuleFileNameStr()
{
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string GetAppPath()
{
    const std::string exe = GetModuleFileNameStr();
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

