#pragma once

#include <QString>

// Qt's image readers and QImage itself report through qWarning: libpng's own words ("libpng error: IDAT:
// CRC error"), a rejected allocation, a null image. While a QuietMessages lives on a thread, that thread's
// warnings are kept as the decoder's words for a reason and never reach standard error; other threads and
// other times print as before.
namespace material {

class QuietMessages {
public:
    QuietMessages();
    ~QuietMessages();
    QuietMessages(const QuietMessages&) = delete;
    QuietMessages& operator=(const QuietMessages&) = delete;

    // The first warning kept, without a library's "libpng error: " kind of prefix; empty when none came.
    QString first() const;
    // True when the kept warning says memory ran out or an allocation limit refused the picture.
    bool aboutMemory() const;
    // Keeps the message when it is the first (called by the message handler on this thread).
    void keep(const QString& message);

private:
    QuietMessages* m_outer;
    QString m_first;
};

} // namespace material
