#pragma once

#include <QString>

// Qt's image readers and QImage itself report through qWarning: libpng's own words ("libpng error: IDAT:
// CRC error"), a rejected allocation, a null image. While a QuietMessages lives on a thread, that thread's
// warnings are kept as the decoder's words for a reason and never reach standard error; other threads and
// other times print as before.
namespace picture {

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

// Some codec libraries print to standard error with no hook to stop them (libdav1d, under libheif: "Input
// validation check ... failed"). While a CodecSilence lives, file descriptor 2 is a pipe whose contents are
// dropped, so the process's standard error holds only its own lines. The redirection is process-wide and
// shared: decodes on several workers silence it together (the first sets the pipe up, the last puts standard
// error back), so they never wait for one another. The program's own writers to standard error hold a
// StandardErrorLock, which waits until no silence is active and meanwhile lets no new one begin, so no line
// of theirs goes into the pipe and none waits for ever behind a stream of decodes.
class CodecSilence {
public:
    CodecSilence();
    ~CodecSilence();
    CodecSilence(const CodecSilence&) = delete;
    CodecSilence& operator=(const CodecSilence&) = delete;
};

// Held while the program writes a line of its own to standard error.
class StandardErrorLock {
public:
    StandardErrorLock();
    ~StandardErrorLock();
    StandardErrorLock(const StandardErrorLock&) = delete;
    StandardErrorLock& operator=(const StandardErrorLock&) = delete;
};

} // namespace picture
