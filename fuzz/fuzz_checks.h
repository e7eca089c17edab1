#pragma once

// What every decoding must give, whatever the bytes: either no picture and a reason, or a picture within
// the bounds of picture/limits.h and no reason. Anything else is a fault, reported as a crash so that
// libFuzzer keeps the input.
#include "picture/limits.h"
#include "picture/picture.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

// Where the pixel sums go, so the compiler cannot drop the reads that make them.
inline volatile quint32 g_pixelSum = 0;

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void expect(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

inline void checkDecoded(const picture::DecodedPicture& d)
{
    if (d.image.isNull()) {
        expect(!d.reason.isNone(), "no picture and no reason");
        return;
    }
    expect(d.reason.isNone(), "a picture and a refusal at once");
    expect(picture::withinPictureLimits(d.image.width(), d.image.height()), "a picture beyond the limits");
    // Touch every pixel, so a buffer that is shorter than the picture claims shows up under AddressSanitizer.
    const QImage rgb = d.image.convertToFormat(QImage::Format_RGB32);
    quint32 sum = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            sum += row[x];
    }
    g_pixelSum = g_pixelSum + sum;
}

// The bytes exactly as libFuzzer hands them, without a copy: a read one byte past the end is caught.
inline QByteArray rawBytes(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Qt's image readers are plugins found through the application object, as in the program.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

} // namespace fuzzcheck
