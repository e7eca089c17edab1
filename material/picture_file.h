#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "core/reasons.h"
#include "picture/limits.h"

// Picture files: reading materials with a size bound, and the one writer of every output file.
namespace material {

struct ReadResult {
    QByteArray bytes;
    core::Reason reason; // none when the file was read whole
};

// Reads the whole file, refusing folders, FIFOs, devices, unreadable and empty files and files over
// kMaxPictureFileBytes, with the reason from the system's error code; the bytes are empty whenever there is
// a reason.
ReadResult readPictureFile(const QString& path);
// The same into a buffer the caller reuses from file to file (see readRegularFile); no reason on success.
// The path is as the file system holds it (listed names may be bytes that are no valid text).
core::Reason readPictureFile(const QByteArray& nativePath, QByteArray& buffer);

// The first `count` bytes of the file, after the same checks and with the same reasons as readPictureFile:
// a dry run looks at a material through this and says what the real run would say.
ReadResult readPictureHead(const QByteArray& nativePath, qint64 count);

// The save path for a name the user chose: ".png" is appended unless the name already ends in ".png" in
// any letter case.
QString withPngSuffix(const QString& chosen);

// Whether a file already at the output name may be replaced. A name is only replaced when the user asked
// for it (--overwrite, a confirmed save dialog, a confirmed batch).
enum class WriteMode { NoReplace, Replace };

struct WriteResult {
    core::Reason reason; // none when the file is in place
    int code = 0;        // the system's error code (errno) when a system call failed, else 0
    bool ok() const { return reason.isNone(); }
};

// The one writer of output files. The bytes go to an unnamed file in the output folder (or, where the file
// system has none, a hidden temporary name), and only the complete file is linked in under `path`: an
// interrupted or failed write leaves no partial file. A symbolic link at `path` is never followed. With
// NoReplace a name that is taken by the time the file is complete, even by a file another process made a
// moment ago, fails with ReasonCode::NameTaken and nothing is replaced; with Replace the new file takes
// the name's place, and a symbolic link there is replaced by the file, never written through. The data
// reaches the disk at the next syncOutputFolder.
WriteResult writeOutputFile(const QString& path, const QByteArray& bytes, WriteMode mode);

// Writes the image as a 24-bit PNG through writeOutputFile. A null image is refused: no empty picture file
// is ever written.
WriteResult writePictureFile(const QString& path, const QImage& image, WriteMode mode);

// Flushes the file system that holds `folder` to the disk (syncfs), once at the end of a run or save, so a
// success is reported only for files that are on the disk; errors the disk reported late (a full disk on
// a file system that allocates at write-back) come back here.
core::Reason syncOutputFolder(const QString& folder);

// The PNG bytes writePictureFile would write.
QByteArray encodePng(const QImage& image);

} // namespace material
