// The skin engine on its own: it takes every committed skin, rejects broken ones without harm, and really
// changes how controls are drawn (pixels read back from widgets rendered on the X server).
#include "skin/vorlith_skin.h"
#include "skin_file.h"
#include "test_utils.h"

#include <QApplication>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray committedSkin(int number)
{
    return testutil::readFile(QStringLiteral(SKINS_DIR "/%1.vskin").arg(number, 2, 10, QLatin1Char('0')));
}

int attach(const QByteArray& skin)
{
    return vorlith_skin_attach(
        reinterpret_cast<const unsigned char*>(skin.constData()), static_cast<int>(skin.size()), "", 0, 0, 0);
}

int validate(const QByteArray& skin)
{
    return vorlith_skin_validate(reinterpret_cast<const unsigned char*>(skin.constData()),
                                 static_cast<int>(skin.size()));
}

// WCAG contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b)
{
    auto lum = [](const QColor& c) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A pixel well inside a button's face: left of the caption, clear of the border and the rounded corners.
QColor buttonFace(QPushButton& button)
{
    button.resize(160, 40);
    return button.grab().toImage().pixelColor(10, 20);
}

} // namespace

class SkinEngineTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void committedSkins();
    void rejects_data();
    void rejects();
    void survivesMutations();
    void changesTheLook();
    void keepsNoReference();
    void rejectedSkinKeepsTheLook();
};

void SkinEngineTest::init()
{
    qApp->setStyleSheet(QString());
}

// All 33 are valid, and their captions readable: body text 4.5:1 against its ground.
void SkinEngineTest::committedSkins()
{
    for (int n = 1; n <= 33; ++n) {
        const QByteArray skin = committedSkin(n);
        QCOMPARE(validate(skin), int(VORLITH_SKIN_OK));
        using namespace skinfile;
        for (auto [fg, bg] :
             {std::pair{WindowText, Window}, {Text, Base}, {ButtonText, Button}, {HighlightText, Highlight}})
            QVERIFY2(contrast(colour(skin, fg), colour(skin, bg)) >= 4.5,
                     qPrintable(QStringLiteral("skin %1, roles %2 on %3").arg(n).arg(fg).arg(bg)));
    }
    QVERIFY(committedSkin(34).isEmpty());
}

void SkinEngineTest::rejects_data()
{
    using skinfile::build;
    using skinfile::fullPalette;
    QTest::addColumn<QByteArray>("skin");
    QTest::addColumn<int>("expected");
    const QByteArray good = build(fullPalette());
    QTest::newRow("valid") << good << int(VORLITH_SKIN_OK);
    QTest::newRow("empty") << QByteArray() << int(VORLITH_SKIN_NO_DATA);
    QTest::newRow("shorter than the header") << good.left(15) << int(VORLITH_SKIN_BAD_HEADER);
    QTest::newRow("wrong magic") << QByteArray("VSKX").append(good.mid(4)) << int(VORLITH_SKIN_BAD_HEADER);
    QTest::newRow("another engine's file")
        << QByteArray(".SHE\x00\x03", 6).append(good.mid(6)) << int(VORLITH_SKIN_BAD_HEADER);
    QTest::newRow("version 2") << build(fullPalette(), 2) << int(VORLITH_SKIN_BAD_VERSION);
    QTest::newRow("one byte more") << good + 'x' << int(VORLITH_SKIN_BAD_LENGTH);
    QTest::newRow("truncated") << good.chopped(1) << int(VORLITH_SKIN_BAD_LENGTH);
    QTest::newRow("checksum off") << build(fullPalette(), 1, 0, 1) << int(VORLITH_SKIN_BAD_CHECKSUM);
    QTest::newRow("count too high") << build(fullPalette(), 1, 1) << int(VORLITH_SKIN_BAD_RECORD);
    QTest::newRow("count too low") << build(fullPalette(), 1, -1) << int(VORLITH_SKIN_BAD_RECORD);
    auto palette = fullPalette();
    palette[3].value.chop(1);
    QTest::newRow("short colour record") << build(palette) << int(VORLITH_SKIN_BAD_RECORD);
    palette = fullPalette();
    palette.append({2, skinfile::colourRecord(11, Qt::red)});
    QTest::newRow("unknown colour role") << build(palette) << int(VORLITH_SKIN_BAD_RECORD);
    palette = fullPalette();
    palette.append({3, QByteArray("\x00\xC8\x00", 3)});
    QTest::newRow("corner radius 200") << build(palette) << int(VORLITH_SKIN_BAD_RECORD);
    palette = fullPalette();
    palette.removeLast();
    QTest::newRow("no hover colour") << build(palette) << int(VORLITH_SKIN_MISSING_COLOUR);
    palette = fullPalette();
    palette.append({200, QByteArray("later")});
    QTest::newRow("unknown tag is skipped") << build(palette) << int(VORLITH_SKIN_OK);
}

// attach() gives the same verdict as validate() and changes nothing for a skin it rejects.
void SkinEngineTest::rejects()
{
    QFETCH(QByteArray, skin);
    QFETCH(int, expected);
    QCOMPARE(validate(skin), expected);
    QCOMPARE(attach(skin), expected);
    QCOMPARE(qApp->styleSheet().isEmpty(), expected != VORLITH_SKIN_OK);
    QCOMPARE(vorlith_skin_attach(nullptr, 26370, "", 0, 0, 0), int(VORLITH_SKIN_NO_DATA));
}

// Random damage to a real skin, with the checksum mended half of the time so the damage reaches the records:
// never a crash, and never a skin taken from a cut-off file.
void SkinEngineTest::survivesMutations()
{
    const QByteArray original = committedSkin(13);
    QRandomGenerator random(20240613);
    for (int round = 0; round < 4000; ++round) {
        QByteArray skin = original;
        const int flips = 1 + random.bounded(6);
        for (int i = 0; i < flips; ++i)
            skin[random.bounded(int(skin.size()))] = char(random.bounded(256));
        if (round % 2 == 0) {
            const QByteArray payload = skin.mid(16);
            qToLittleEndian<quint32>(quint32(payload.size()), skin.data() + 8);
            qToLittleEndian<quint32>(skinfile::crc32(payload), skin.data() + 12);
        }
        const int r = validate(skin);
        QVERIFY(r <= VORLITH_SKIN_OK && r >= VORLITH_SKIN_MISSING_COLOUR);
        QVERIFY(validate(original.left(random.bounded(int(original.size())))) != VORLITH_SKIN_OK);
    }
}

// Skin 13's own button colour on a button made before the skin and on one made after it; a skin built here
// with a colour of the test's choosing shows exactly that colour.
void SkinEngineTest::changesTheLook()
{
    const QColor skin13 = skinfile::colour(committedSkin(13), skinfile::Button);
    QPushButton before(QStringLiteral("保存图片"));
    QVERIFY(buttonFace(before) != skin13);

    QCOMPARE(attach(committedSkin(13)), int(VORLITH_SKIN_OK));
    QCOMPARE(buttonFace(before), skin13);
    QPushButton after(QStringLiteral("查询QQ秀"));
    QCOMPARE(buttonFace(after), skin13);

    QCOMPARE(attach(skinfile::build(skinfile::fullPalette(QColor(0x12, 0x34, 0x56)))), int(VORLITH_SKIN_OK));
    QCOMPARE(buttonFace(after), QColor(0x12, 0x34, 0x56));
}

// The caller's bytes may be overwritten and freed as soon as attach returns.
void SkinEngineTest::keepsNoReference()
{
    const QColor colour(0x65, 0x43, 0x21);
    auto* bytes = new QByteArray(skinfile::build(skinfile::fullPalette(colour)));
    QCOMPARE(attach(*bytes), int(VORLITH_SKIN_OK));
    const QString sheet = qApp->styleSheet();
    bytes->fill('\xFF');
    delete bytes;
    QPushButton button(QStringLiteral("上传图片"));
    QCOMPARE(buttonFace(button), colour);
    QCOMPARE(qApp->styleSheet(), sheet);
}

void SkinEngineTest::rejectedSkinKeepsTheLook()
{
    const QColor skin13 = skinfile::colour(committedSkin(13), skinfile::Button);
    QCOMPARE(attach(committedSkin(13)), int(VORLITH_SKIN_OK));
    QByteArray broken = committedSkin(13);
    broken[20] = char(broken[20] ^ 0x5A);
    QCOMPARE(attach(broken), int(VORLITH_SKIN_BAD_CHECKSUM));
    QPushButton button(QStringLiteral("保存到"));
    QCOMPARE(buttonFace(button), skin13);
}

QTEST_MAIN(SkinEngineTest)
#include "test_skin_engine.moc"
