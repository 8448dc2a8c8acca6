#pragma once
// A tool's PNG file, written whole or not at all (a temporary file beside
// it, renamed when complete), with the reason when it cannot be.

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
    QImageWriter writer(&file, "PNG");
    if (!writer.write(image)) {
        error = file.failure().empty() ? "Cannot write file \"" + fileName + "\". " + writer.errorString().toStdString()
                                       : file.failure();
        return false;
    }
    return file.commit(error);
}
