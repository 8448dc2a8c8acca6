#include "SaveFileDevice.h"

#include "Streams.h"

SaveFileDevice::SaveFileDevice() = default;

SaveFileDevice::~SaveFileDevice() = default;

bool SaveFileDevice::open(const std::string& fileName, std::string& error)
{
    try {
        stream_ = std::make_unique<TSaveFileStream>(fileName);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    failure_.clear();
    return QIODevice::open(QIODevice::WriteOnly);
}

qint64 SaveFileDevice::writeData(const char* data, qint64 length)
{
    if (!stream_ || !failure_.empty()) return -1;
    try {
        stream_->WriteBuffer(data, length);
        return length;
    } catch (const std::exception& e) {
        failure_ = e.what();
        setErrorString(QString::fromStdString(failure_));
        return -1;
    }
}

bool SaveFileDevice::commit(std::string& error)
{
    if (!stream_) {
        error = "No file is open";
        return false;
    }
    close();
    if (failure_.empty()) {
        try {
            stream_->Commit();
        } catch (const std::exception& e) {
            failure_ = e.what();
        }
    }
    stream_.reset();
    error = failure_;
    return failure_.empty();
}
