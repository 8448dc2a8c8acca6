#pragma once
// The platform's streams: the abstract TStream and the memory, file and
// string streams. Sizes and positions are 64-bit.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Reflection.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The platform's Word origins (same values).
constexpr uint16_t soFromBeginning = 0;
constexpr uint16_t soFromCurrent = 1;
constexpr uint16_t soFromEnd = 2;

// File modes: one access mode, or fmCreate, plus a share mode. Share modes
// are accepted and not enforced (POSIX has no mandatory sharing).
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
    DORVAK_CLASS(TStream, TObject)
public:
    // Read and Write move at most count bytes and return how many moved
    // (0 for a negative count).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // The new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    // All or nothing: EReadError "Stream read error" / EWriteError "Stream
    // write error" when fewer bytes move.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Text helpers bounded by the text: ReadString returns the bytes read
    // (at most count, fewer at the end of the stream); WriteString writes
    // at most text.size() bytes whatever count says.
    std::string ReadString(int64_t count);
    int64_t WriteString(std::string_view text);
    int64_t WriteString(std::string_view text, int64_t count);

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t value) { Seek(value, soBeginning); }
    virtual int64_t Size();
    // Streams that cannot change size ignore it.
    virtual void SetSize(int64_t newSize);

    // Copies count bytes from source's position; count 0 copies all of
    // source from its start. A short source raises "Stream read error".
    int64_t CopyFrom(TStream* source, int64_t count);

    static void Publish(TClassBuilder<TStream>& b) { b.abstract(); }

protected:
    // The text of the EWriteError a short WriteBuffer raises.
    virtual std::string WriteFailure() const { return "Stream write error"; }
};

// Bytes in memory. Seeking past the end is allowed; a write there fills
// the gap with zeros.
class TMemoryStream : public TStream {
    DORVAK_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    // Out of memory raises EStreamError "Out of memory while expanding
    // memory stream".
    void SetSize(int64_t newSize) override;

    const uint8_t* Memory() const noexcept { return data_.data(); }
    uint8_t* Memory() noexcept { return data_.data(); }
    void Clear() noexcept;
    // Replaces the contents with all of stream (from its start).
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream* stream);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

// A file. fmCreate creates or truncates (EFCreateError "Cannot create file
// \"%s\". %s" with the system's reason); other modes open an existing file
// (EFOpenError "Cannot open file \"%s\". %s"). A short WriteBuffer says
// "Cannot write file \"%s\". %s" with the system's reason.
class TFileStream : public TStream {
    DORVAK_CLASS(TFileStream, TStream)
public:
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    const std::string& FileName() const noexcept { return fileName_; }

protected:
    // A file opened by the caller, written under fileName's name.
    struct Opened {
        int handle;
    };
    TFileStream(std::string fileName, Opened file) : fileName_(std::move(fileName)), fd_(file.handle) {}
    int Handle() const noexcept { return fd_; }
    // Closes the file; false with errno set when the system refuses.
    bool CloseHandle();
    std::string WriteFailure() const override;

private:
    std::string fileName_;
    int fd_ = -1;
    int lastError_ = 0;
};

// A file written whole or not at all: the bytes go to a temporary file in
// the target's folder that Commit renames over the target, so that a
// crash, a kill or a full disk leaves the old file as it was. Freed
// without Commit, the stream removes its temporary file. A target that
// exists and is no regular file (a device, a pipe) is written in place.
// A target the user may not write is refused as the shell refuses it
// (EFCreateError with the system's reason). One whose owner the new file
// could not take, one with hard links, or one in a folder the user may
// not add to is copied over from the finished temporary file instead of
// replaced, so that it keeps its owner, mode and names.
// A failed write raises EWriteError "Cannot write file \"%s\". %s" at
// once, naming the target and the system's reason; a file that cannot be
// made raises EFCreateError "Cannot create file \"%s\". %s".
class TSaveFileStream : public TFileStream {
    DORVAK_CLASS(TSaveFileStream, TFileStream)
public:
    explicit TSaveFileStream(const std::string& fileName);
    ~TSaveFileStream() override;

    int64_t Write(const void* buffer, int64_t count) override;
    // Flushes the bytes to the disk and puts the file in the target's place.
    void Commit();

private:
    struct Temp {
        int handle = -1;
        std::string name;    // empty: written in place
        std::string target;  // symbolic links followed
        bool copyBack = false;
    };
    TSaveFileStream(const std::string& fileName, Temp temp);
    static Temp create(const std::string& fileName);
    [[noreturn]] void failed(int error) const;
    void copyOver();

    std::string tempName_;
    std::string target_;
    bool copyBack_ = false;
    bool committed_ = false;
};

// Bytes in a string. Position stays within 0..Size.
class TStringStream : public TStream {
    DORVAK_CLASS(TStringStream, TStream)
public:
    explicit TStringStream(std::string data = {});
    ~TStringStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t newSize) override;
    const std::string& DataString() const noexcept { return data_; }

private:
    std::string data_;
    int64_t position_ = 0;
};
