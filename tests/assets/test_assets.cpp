// The carried pictures: reachable as resources by linking the assets library alone (no Q_INIT_RESOURCE here),
// badge bitmaps in the exact 24-bit BMP layout with a clean colour key, the composition picture and icon in
// their formats, and the committed files equal to what the generator draws today.
#include "assets/assets.h"
#include "core/badges.h"
#include "test_utils.h"
#include "testsupport/programs.h"

#include <QBuffer>
#include <QImageReader>
#include <QSet>
#include <QtEndian>
#include <QtTest>

#include <cstdlib>

namespace {

quint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 le16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

bool greyClose(QRgb c)
{
    return std::abs(qRed(c) - 128) <= 12 && std::abs(qGreen(c) - 128) <= 12 && std::abs(qBlue(c) - 128) <= 12;
}

constexpr QRgb kKey = 0x808080;

} // namespace

class TestAssets : public QObject {
    Q_OBJECT

private slots:
    void badgeFile_data();
    void badgeFile();
    void badgeKey_data();
    void badgeKey();
    void compositionPicture();
    void programIcon();
    void missingResourceIsEmpty();
    void generatorReproducesCommittedFiles_data();
    void generatorReproducesCommittedFiles();

private:
    testutil::Sandbox m_generated; // one generator run, shared by the reproduction rows
    bool m_generatorRan = false;
};

void TestAssets::badgeFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const core::Badge& b : core::kBadges)
        QTest::newRow(b.bitmap) << QString::fromLatin1(b.bitmap) << b.bitmapSize;
}

// The file layout, read from the bytes: a file header, a 40-byte info header, no colour table, 24 bits per
// pixel, bottom-up rows of 3 bytes a pixel padded to a multiple of 4.
void TestAssets::badgeFile()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray bytes = assets::resourceBytes(path);
    const int stride = (size.width() * 3 + 3) / 4 * 4;
    QCOMPARE(bytes.size(), 54 + stride * size.height());
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(le32(bytes, 2), quint32(bytes.size()));
    QCOMPARE(le32(bytes, 10), 54u);                   // pixels follow the headers directly
    QCOMPARE(le32(bytes, 14), 40u);                   // info header size
    QCOMPARE(qint32(le32(bytes, 18)), size.width());  // width
    QCOMPARE(qint32(le32(bytes, 22)), size.height()); // positive height: bottom-up
    QCOMPARE(le16(bytes, 26), quint16(1));            // planes
    QCOMPARE(le16(bytes, 28), quint16(24));           // bits per pixel
    QCOMPARE(le32(bytes, 30), 0u);                    // uncompressed
    QCOMPARE(le32(bytes, 46), 0u);                    // no palette entries

    // The first stored row is the bottom one: its first pixel is the bottom-left corner, which is the key.
    QCOMPARE(bytes.mid(54, 3), QByteArray("\x80\x80\x80", 3));
    const QImage image(path);
    QVERIFY2(!image.isNull(), "the bitmap does not decode");
    QCOMPARE(image.size(), size);
}

void TestAssets::badgeKey_data()
{
    badgeFile_data();
}

// Every pixel is the key or a colour far from it, the border ring is key all round (so a badge never
// touches its control's edge), and the shape fills a good part of the bitmap with several colours.
void TestAssets::badgeKey()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), size);
    int shape = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            const bool border = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
            if (border)
                QVERIFY2(c == kKey,
                         qPrintable(QStringLiteral("border pixel (%1,%2) is #%3").arg(x).arg(y).arg(c, 6, 16)));
            if (c == kKey)
                continue;
            QVERIFY2(!greyClose(c),
                     qPrintable(QStringLiteral("pixel (%1,%2) #%3 is close to the key").arg(x).arg(y).arg(c, 6, 16)));
            ++shape;
            colours.insert(c);
        }
    }
    const int area = size.width() * size.height();
    QVERIFY2(shape * 10 >= area * 3, qPrintable(QStringLiteral("only %1 of %2 pixels drawn").arg(shape).arg(area)));
    QVERIFY2(shape * 100 <= area * 90,
             qPrintable(QStringLiteral("%1 of %2 pixels drawn: no outline left").arg(shape).arg(area)));
    QVERIFY2(colours.size() >= 3, "a badge needs a mark over its shape, not one flat colour");
}

void TestAssets::compositionPicture()
{
    const QByteArray bytes = assets::resourceBytes(QString::fromLatin1(assets::kCompositionPicture));
    QVERIFY(bytes.startsWith("\xFF\xD8"));
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(140, 226));
    // A figure stands in the middle of a soft background: on every row from head to feet some pixel of the
    // central band stands out from the row's left edge, and nothing in the outer strips does.
    auto distance = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    };
    for (int y = 60; y <= 200; ++y) {
        const QRgb edge = image.pixel(1, y);
        bool figure = false;
        for (int x = 0; x < image.width(); ++x) {
            const bool standsOut = distance(image.pixel(x, y), edge) > 90;
            if (x < 30 || x >= 110)
                QVERIFY2(!standsOut, qPrintable(QStringLiteral("background disturbed at (%1,%2)").arg(x).arg(y)));
            figure = figure || standsOut;
        }
        QVERIFY2(figure, qPrintable(QStringLiteral("no figure on row %1").arg(y)));
    }
}

void TestAssets::programIcon()
{
    const QImage icon(QString::fromLatin1(assets::kProgramIcon));
    QCOMPARE(icon.size(), QSize(64, 64));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0); // rounded corner
    QCOMPARE(qAlpha(icon.pixel(32, 32)), 255);
}

void TestAssets::missingResourceIsEmpty()
{
    QVERIFY(assets::resourceBytes(QStringLiteral(":/badges/none.bmp")).isEmpty());
}

void TestAssets::generatorReproducesCommittedFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const core::Badge& b : core::kBadges)
        QTest::newRow(b.bitmap) << QString::fromLatin1(b.bitmap).mid(2);
    QTest::newRow("composition") << QString::fromLatin1(assets::kCompositionPicture).mid(2);
    QTest::newRow("icon") << QString::fromLatin1(assets::kProgramIcon).mid(2);
}

// A fresh run of the generator writes the same bytes as the carried files: the drawing is deterministic
// and the committed pictures are not stale.
void TestAssets::generatorReproducesCommittedFiles()
{
    QFETCH(QString, name);
    if (!m_generatorRan) {
        QVERIFY(m_generated.isValid());
        const testutil::ProgramRun gen =
            testutil::runProgram(QStringLiteral(VORLITH_MAKE_ASSETS), {m_generated.path()});
        QVERIFY2(!gen.crashed && gen.exitCode == 0, qPrintable(gen.err));
        m_generatorRan = true;
    }
    const QByteArray carried = assets::resourceBytes(QStringLiteral(":/") + name);
    QVERIFY(!carried.isEmpty());
    QVERIFY2(testutil::readFile(m_generated.file(name)) == carried,
             qPrintable(name + QStringLiteral(" differs: run `make assets`")));
}

QTEST_GUILESS_MAIN(TestAssets)
#include "test_assets.moc"
