#pragma once
// TEMPORARY STUB: stands in for the platform's TStream family until the
// reflection branch lands. Delete this file and include the real header.

#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "Exceptions.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;
    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t p) { Seek(p, soBeginning); }
    int64_t Size()
    {
        int64_t p = Position();
        int64_t s = Seek(0, soEnd);
        Seek(p, soBeginning);
        return s;
    }
    void ReadBuffer(void* b, int64_t n)
    {
        if (n != 0 && Read(b, n) != n) throw EReadError("Stream read error");
    }
    void WriteBuffer(const void* b, int64_t n)
    {
        if (n != 0 && Write(b, n) != n) throw EWriteError("Stream write error");
    }
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override
    {
        int64_t n = std::min<int64_t>(count, (int64_t)data_.size() - pos_);
        if (n <= 0) return 0;
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (count <= 0) return 0;
        if (pos_ + count > (int64_t)data_.size()) data_.resize(pos_ + count);
        std::memcpy(data_.data() + pos_, buffer, count);
        pos_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        if (origin == soBeginning) pos_ = offset;
        else if (origin == soCurrent) pos_ += offset;
        else pos_ = (int64_t)data_.size() + offset;
        return pos_;
    }
    void SetSize(int64_t size) override
    {
        data_.resize(size);
        if (pos_ > size) pos_ = size;
    }
    void Clear() { data_.clear(); pos_ = 0; }
    char* Memory() { return data_.data(); }

private:
    std::vector<char> data_;
    int64_t pos_ = 0;
};

class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const std::string& s = {})
    {
        Write(s.data(), (int64_t)s.size());
        Seek(0, soBeginning);
    }
    std::string DataString() { return std::string(Memory(), (size_t)Size()); }
};

enum : uint16_t { fmCreate = 0xFF00, fmOpenRead = 0, fmOpenWrite = 1, fmOpenReadWrite = 2, fmShareDenyWrite = 0x20 };

class TFileStream : public TStream {
public:
    TFileStream(const std::string& name, uint16_t mode)
    {
        const char* m = mode == fmCreate ? "w+b" : ((mode & 3) == fmOpenRead ? "rb" : "r+b");
        f_ = std::fopen(name.c_str(), m);
        if (!f_) throw EFOpenError("Cannot open file \"" + name + "\"");
    }
    ~TFileStream() override { if (f_) std::fclose(f_); }
    int64_t Read(void* buffer, int64_t count) override { return (int64_t)std::fread(buffer, 1, count, f_); }
    int64_t Write(const void* buffer, int64_t count) override { return (int64_t)std::fwrite(buffer, 1, count, f_); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        std::fseek(f_, offset, origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END);
        return std::ftell(f_);
    }
    void SetSize(int64_t) override {}

private:
    FILE* f_ = nullptr;
};
