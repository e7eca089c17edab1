#pragma once

#include "core/reasons.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reading small data files whole: pictures, badge layouts.
namespace material {

// Reads the regular file at `path` whole into `buffer`, which is resized to the file's size. The buffer keeps
// its capacity from call to call, so a caller that reads many files into one buffer allocates only when a
// file is larger than any before it. The file is opened without blocking and checked on the open descriptor:
// a FIFO would wait for a writer, a device would read without end, and the name may have been replaced
// since anyone looked at it. Files over `maxBytes` are refused before anything is read. With `readAtMost`
// at 0 or more only that many bytes are read, after the same checks: a dry run looks at a material this way
// and gives the reason the real run would give. No reason on success, otherwise why the file cannot be read,
// from the system's error code; the buffer is then empty.
core::Reason readRegularFile(const QString& path, qint64 maxBytes, QByteArray& buffer, qint64 readAtMost = -1);
// The same for a path as the file system holds it, whatever bytes its names are made of.
core::Reason readRegularFile(const QByteArray& nativePath, qint64 maxBytes, QByteArray& buffer, qint64 readAtMost = -1);

} // namespace material
