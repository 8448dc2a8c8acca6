#include "Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

constexpr int64_t kCopyBufferSize = 0xF000;

std::string systemReason(int error) { return std::strerror(error); }

// Repeats a read or write call until count bytes moved, the end, or an
// error; returns the bytes moved.
template <class Call>
int64_t transfer(int64_t count, Call call)
{
    int64_t total = 0;
    while (total < count) {
        const ssize_t moved = call(total);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) break;
        total += moved;
    }
    return total;
}

// A seek far past either end stays at the end of the range instead of
// wrapping round.
int64_t offsetBy(int64_t base, int64_t offset)
{
    int64_t sum;
    if (!__builtin_add_overflow(base, offset, &sum)) return sum;
    return offset > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

}  // namespace

// ---------------------------------------------------------------- TStream

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(WriteFailure());
}

std::string TStream::ReadString(int64_t count)
{
    // In chunks, so that a huge count on a short stream allocates little.
    std::string text;
    while (count > 0) {
        const int64_t chunk = std::min(count, kCopyBufferSize);
        const size_t old = text.size();
        text.resize(old + static_cast<size_t>(chunk));
        const int64_t got = std::max<int64_t>(Read(text.data() + old, chunk), 0);
        text.resize(old + static_cast<size_t>(got));
        if (got < chunk) break;
        count -= got;
    }
    return text;
}

int64_t TStream::WriteString(std::string_view text) { return Write(text.data(), static_cast<int64_t>(text.size())); }

int64_t TStream::WriteString(std::string_view text, int64_t count)
{
    const int64_t n = std::clamp<int64_t>(count, 0, static_cast<int64_t>(text.size()));
    return n == 0 ? 0 : Write(text.data(), n);
}

int64_t TStream::Size()
{
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(int64_t) {}

int64_t TStream::CopyFrom(TStream* source, int64_t count)
{
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    if (count <= 0) return 0;
    const int64_t total = count;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyBufferSize)));
    while (count > 0) {
        const int64_t n = std::min(count, static_cast<int64_t>(buffer.size()));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return total;
}

// ---------------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream() = default;

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = Size();
    if (position_ < 0 || count <= 0 || position_ >= size) return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (position_ < 0 || count <= 0) return 0;
    if (count > std::numeric_limits<int64_t>::max() - position_)
        throw EStreamError("Out of memory while expanding memory stream");
    const int64_t end = position_ + count;
    if (end > Size()) {
        const int64_t position = position_;
        SetSize(end);
        position_ = position;
    }
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case soBeginning: position_ = offset; break;
    case soCurrent: position_ = offsetBy(position_, offset); break;
    case soEnd: position_ = offsetBy(Size(), offset); break;
    }
    return position_;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    newSize = std::max<int64_t>(newSize, 0);
    try {
        data_.resize(static_cast<size_t>(newSize));
    } catch (const std::bad_alloc&) {
        throw EStreamError("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
        throw EStreamError("Out of memory while expanding memory stream");
    }
    if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() noexcept
{
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream)
{
    if (stream == this) return;  // already its own contents
    stream->SetPosition(0);
    const int64_t count = stream->Size();
    SetSize(count);
    if (count != 0) stream->ReadBuffer(data_.data(), count);
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TMemoryStream::SaveToStream(TStream* stream)
{
    if (data_.empty()) return;
    if (stream == this) {
        // Growing would move the bytes being written.
        const std::vector<uint8_t> bytes(data_);
        WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        return;
    }
    stream->WriteBuffer(data_.data(), Size());
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TSaveFileStream stream(fileName);
    SaveToStream(&stream);
    stream.Commit();
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName)
{
    if (mode == fmCreate) {
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\". " + systemReason(errno));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 3) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: throw EFOpenError("Cannot open file \"" + fileName + "\". " + systemReason(EINVAL));
    }
    fd_ = ::open(fileName.c_str(), flags);
    if (fd_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + systemReason(errno));
    // A folder opens for reading on POSIX; as a stream it is no file.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + systemReason(EISDIR));
    }
}

TFileStream::~TFileStream() { CloseHandle(); }

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    return transfer(count, [&](int64_t done) {
        return ::read(fd_, static_cast<char*>(buffer) + done, size_t(count - done));
    });
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    errno = 0;
    const int64_t moved = transfer(count, [&](int64_t done) {
        return ::write(fd_, static_cast<const char*>(buffer) + done, size_t(count - done));
    });
    // A write that moves nothing without an error has run out of room.
    if (moved < count) lastError_ = errno ? errno : ENOSPC;
    return moved;
}

bool TFileStream::CloseHandle()
{
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

std::string TFileStream::WriteFailure() const
{
    return "Cannot write file \"" + fileName_ + "\". " + systemReason(lastError_ ? lastError_ : ENOSPC);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    return static_cast<int64_t>(::lseek(fd_, static_cast<off_t>(offset), whence));
}

void TFileStream::SetSize(int64_t newSize)
{
    Seek(newSize, soBeginning);
    if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) {
        throw EStreamError("Cannot change the size of \"" + fileName_ + "\". " + systemReason(errno));
    }
}

// ---------------------------------------------------------------- TSaveFileStream

namespace {

// The file a name stands for, through symbolic links, so that a save
// replaces the file and keeps the link; a link to a file not made yet
// names the file to make. Too many links in a row are left to stat.
std::string followLinks(const std::string& name)
{
    std::filesystem::path path(name);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(path, ec)) return path.string();
        const std::filesystem::path to = std::filesystem::read_symlink(path, ec);
        if (ec) return name;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return name;
}

mode_t creationMode()
{
    // umask can only be read by setting it.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

TSaveFileStream::Temp TSaveFileStream::create(const std::string& fileName)
{
    auto refuse = [&](int error) -> Temp {
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + systemReason(error));
    };
    if (fileName.empty()) refuse(ENOENT);
    Temp temp;
    temp.target = followLinks(fileName);
    struct stat info {};
    const bool exists = ::stat(temp.target.c_str(), &info) == 0;
    // Only a name that is free makes a new file: links naming each other,
    // a folder that cannot be searched, are refused as the shell does.
    if (!exists && errno != ENOENT) refuse(errno);
    if (exists && S_ISDIR(info.st_mode)) refuse(EISDIR);
    if (exists && !S_ISREG(info.st_mode)) {
        temp.handle = ::open(temp.target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (temp.handle < 0) refuse(errno);
        return temp;
    }
    if (exists) {
        // The answer the shell gives: a file the user may not write (its
        // mode, a read-only mount, an immutable file) is not replaced either,
        // though the folder would let a new file take its name.
        const int probe = ::open(temp.target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (probe < 0) refuse(errno);
        ::close(probe);
    }
    const std::filesystem::path target(temp.target);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / target.filename()).string() + ".XXXXXX";
    temp.handle = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (temp.handle < 0 && exists && (errno == EACCES || errno == EPERM)) {
        // A writable file in a folder the user may not add to: the bytes
        // wait in the system's temporary folder and are copied over it.
        std::error_code ec;
        pattern = (std::filesystem::temp_directory_path(ec) / target.filename()).string() + ".XXXXXX";
        temp.handle = ::mkostemp(pattern.data(), O_CLOEXEC);
        temp.copyBack = true;
    }
    if (temp.handle < 0) refuse(errno);
    temp.name = pattern;
    if (!exists) {
        ::fchmod(temp.handle, creationMode());
        return temp;
    }
    // A file of another owner, or with other names (hard links), keeps its
    // owner and its names only when it is written over, not replaced.
    if (info.st_nlink > 1) temp.copyBack = true;
    if (!temp.copyBack && ::fchown(temp.handle, info.st_uid, info.st_gid) != 0) {
        struct stat made {};
        [[maybe_unused]] const int group = ::fchown(temp.handle, static_cast<uid_t>(-1), info.st_gid);
        if (::fstat(temp.handle, &made) != 0 || made.st_uid != info.st_uid || made.st_gid != info.st_gid)
            temp.copyBack = true;
    }
    if (!temp.copyBack) ::fchmod(temp.handle, info.st_mode & 07777);
    return temp;
}

TSaveFileStream::TSaveFileStream(const std::string& fileName) : TSaveFileStream(fileName, create(fileName)) {}

TSaveFileStream::TSaveFileStream(const std::string& fileName, Temp temp)
    : TFileStream(fileName, Opened{temp.handle}),
      tempName_(std::move(temp.name)),
      target_(std::move(temp.target)),
      copyBack_(temp.copyBack)
{
}

TSaveFileStream::~TSaveFileStream()
{
    CloseHandle();
    if (!committed_ && !tempName_.empty()) ::unlink(tempName_.c_str());
}

void TSaveFileStream::failed(int error) const
{
    throw EWriteError("Cannot write file \"" + FileName() + "\". " + systemReason(error ? error : ENOSPC));
}

int64_t TSaveFileStream::Write(const void* buffer, int64_t count)
{
    if (committed_) failed(EBADF);
    const int64_t moved = TFileStream::Write(buffer, count);
    // Nobody may take a short count for a written file.
    if (moved < count) throw EWriteError(WriteFailure());
    return moved;
}

void TSaveFileStream::copyOver()
{
    // The whole file is made before the target is touched, so that only a
    // failure of this copy itself can leave it cut.
    if (::lseek(Handle(), 0, SEEK_SET) != 0) failed(errno);
    const int out = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) failed(errno);
    std::vector<char> buffer(kCopyBufferSize);
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(Handle(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) error = errno;
            break;
        }
        errno = 0;
        const int64_t put =
            transfer(got, [&](int64_t done) { return ::write(out, buffer.data() + done, size_t(got - done)); });
        if (put < got) {
            error = errno ? errno : ENOSPC;
            break;
        }
    }
    if (!error && ::fdatasync(out) != 0 && errno != EINVAL) error = errno;
    if (::close(out) != 0 && !error) error = errno;
    if (error) failed(error);
}

void TSaveFileStream::Commit()
{
    if (committed_) return;
    if (tempName_.empty()) {
        if (!CloseHandle()) failed(errno);
        committed_ = true;
        return;
    }
    if (copyBack_) {
        copyOver();
        CloseHandle();
        ::unlink(tempName_.c_str());
        committed_ = true;
        return;
    }
    // On the disk before the name moves: a crash after the rename must not
    // find the new name over an empty file.
    if (::fdatasync(Handle()) != 0 && errno != EINVAL) failed(errno);
    if (!CloseHandle()) failed(errno);
    if (::rename(tempName_.c_str(), target_.c_str()) != 0) failed(errno);
    committed_ = true;
}

// ---------------------------------------------------------------- TStringStream

TStringStream::TStringStream(std::string data) : data_(std::move(data)) {}

TStringStream::~TStringStream() = default;

int64_t TStringStream::Read(void* buffer, int64_t count)
{
    const int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TStringStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    const int64_t end = position_ + count;
    if (end > Size()) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t position = offset;
    if (origin == soCurrent) position = offsetBy(position_, offset);
    else if (origin == soEnd) position = offsetBy(Size(), offset);
    position_ = std::clamp<int64_t>(position, 0, Size());
    return position_;
}

void TStringStream::SetSize(int64_t newSize)
{
    data_.resize(static_cast<size_t>(std::max<int64_t>(newSize, 0)));
    if (position_ > Size()) position_ = Size();
}
