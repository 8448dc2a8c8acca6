#pragma once
// A file written whole or not at all, as a QIODevice for Qt's writers (PDF,
// PNG): the platform's TSaveFileStream underneath, so that every file the
// program saves goes the same way and every failure names the file and the
// system's reason.

#include <QIODevice>

#include <memory>
#include <string>

class TSaveFileStream;

class SaveFileDevice : public QIODevice {
public:
    SaveFileDevice();
    ~SaveFileDevice() override;  // a file never committed is removed

    // Write-only. False with the reason in error when it cannot be made.
    bool open(const std::string& fileName, std::string& error);
    // Puts the file in its place. False with the reason in error; the
    // error of an earlier write wins.
    bool commit(std::string& error);
    // The first write's failure, empty while there was none.
    const std::string& failure() const { return failure_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    using QIODevice::open;
    std::unique_ptr<TSaveFileStream> stream_;
    std::string failure_;
};
