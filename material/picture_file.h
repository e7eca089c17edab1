#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "material/limits.h"

// Picture files: reading materials with a size bound, and writing frames as complete PNG files.
namespace material {

struct ReadResult {
    QByteArray bytes;
    QString error; // empty when the file was read whole
};

// Reads the whole file, refusing folders, FIFOs, devices, unreadable and empty files and files over
// kMaxPictureFileBytes, with a reason for the user; the bytes are empty whenever there is a reason.
ReadResult readPictureFile(const QString& path);
// The same into a buffer the caller reuses from file to file (see readRegularFile); empty on success,
// otherwise why.
// The path is as the file system holds it (listed names may be bytes that are no valid text).
QString readPictureFile(const QByteArray& nativePath, QByteArray& buffer);

// The save path for a name the user chose: ".png" is appended unless the name already ends in ".png" in
// any letter case.
QString withPngSuffix(const QString& chosen);

struct WriteResult {
    bool ok = false;
    QString error; // why the write failed, for the user
    int code = 0;  // the system's error code (errno) when a system call failed, else 0
};

// Writes the image as a 24-bit PNG. The bytes go to a temporary file in the same folder, renamed into
// place when complete, so a failed or interrupted write leaves no partial file and an existing file is
// only replaced by a whole new one. A null image is refused: no empty picture file is ever written.
WriteResult writePictureFile(const QString& path, const QImage& image);

// The PNG bytes writePictureFile would write.
QByteArray encodePng(const QImage& image);

} // namespace material
