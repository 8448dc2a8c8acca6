#pragma once
// A tool's PNG file, written whole or not at all (a temporary file beside
// it, renamed when complete), with the reason when it cannot be.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <string>

#include "SaveFileDevice.h"

// False with "Cannot write file \"NAME\". REASON" (or "Cannot create
// file ...") in error.
inline bool SavePng(const QImage& image, const std::string& fileName, std::string& error)
{
    SaveFileDevice file;
    if (!file.open(fileName, error)) return false;
    // Made in memory first: Qt's PNG writer loses its row buffer when the
    // device fails under it (a full disk).
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(image)) {
        error = "Cannot write file \"" + fileName + "\". " + writer.errorString().toStdString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        error = file.failure();
        return false;
    }
    return file.commit(error);
}
