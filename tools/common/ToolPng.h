#pragma once
// A tool's PNG file, written whole or not at all (a temporary file beside
// it, renamed when complete), with the reason when it cannot be.

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <string>

// False with "Cannot write file \"NAME\". REASON" in error.
inline bool SavePng(const QImage& image, const std::string& fileName, std::string& error)
{
    QSaveFile file(QString::fromStdString(fileName));
    if (!fileName.empty() && file.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&file, "PNG");
        if (writer.write(image) && file.commit()) return true;
        error = "Cannot write file \"" + fileName + "\". " +
                (file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString()).toStdString();
        return false;
    }
    error = "Cannot write file \"" + fileName + "\". " +
            (fileName.empty() ? std::string("No file name") : file.errorString().toStdString());
    return false;
}
