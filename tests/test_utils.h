#pragma once

// Shared by every test: the fixture folder, reading a whole file, a temporary sandbox folder, and pixel comparison that
// says where and how two pictures differ.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

namespace testutil {

inline QString dataPath(const QString& name)
{
    return QStringLiteral(VORLITH_TEST_DATA "/") + name;
}

// The whole file; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QByteArray readData(const QString& name)
{
    return readFile(dataPath(name));
}

// A temporary folder removed when the test ends. path() ends in a separator, as the program keeps folders.
class Sandbox {
public:
    Sandbox() { m_dir.setAutoRemove(true); }
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return QDir::toNativeSeparators(m_dir.path()) + QDir::separator(); }
    QString file(const QString& name) const { return path() + name; }
    bool write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

private:
    QTemporaryDir m_dir;
};

// Empty when the pictures are equal pixel for pixel (RGB, alpha ignored); otherwise a readable summary:
// the sizes, or the count of differing pixels with the first few places and values.
inline QString pixelDiff(const QImage& actual, const QImage& expected, int maxListed = 5)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage e = expected.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    QString listed;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* re = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((ra[x] & 0xFFFFFF) == (re[x] & 0xFFFFFF))
                continue;
            if (count++ < maxListed)
                listed += QStringLiteral(" (%1,%2): #%3 not #%4")
                              .arg(x)
                              .arg(y)
                              .arg(ra[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                              .arg(re[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        }
    }
    if (count == 0)
        return {};
    return QStringLiteral("%1 pixels differ:%2").arg(count).arg(listed);
}

} // namespace testutil

#define VERIFY_SAME_PIXELS(actual, expected)                                                                           \
    do {                                                                                                               \
        const QString diff_ = testutil::pixelDiff((actual), (expected));                                               \
        QVERIFY2(diff_.isEmpty(), qPrintable(diff_));                                                                  \
    } while (false)
