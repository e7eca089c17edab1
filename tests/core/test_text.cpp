#include "core/badges.h"
#include "core/reasons.h"
#include "core/text.h"

#include <QtTest>

#include <clocale>
#include <cstdlib>

Q_DECLARE_METATYPE(core::Reason)

class TestText : public QObject {
    Q_OBJECT
private slots:
    // Every number below is read under a German numeric locale, whose decimal point is a comma: reading must
    // not depend on the process locale (a Qt program takes it from the environment at start).
    void initTestCase()
    {
        QVERIFY(m_locales.isValid());
        const int made = QProcess::execute(QStringLiteral("localedef"),
                                           {QStringLiteral("-i"),
                                            QStringLiteral("de_DE"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("UTF-8"),
                                            m_locales.path() + QStringLiteral("/de_DE.UTF-8")});
        QVERIFY2(made == 0 || made == 1, "localedef (Debian package locales) could not make de_DE.UTF-8");
        qputenv("LOCPATH", QFile::encodeName(m_locales.path()));
        QVERIFY(std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr);
        QCOMPARE(std::strtod("2.75", nullptr), 2.0); // the C library now reads the comma form
    }
    void cleanupTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void trimSpaces_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("ascii both ends") << QStringLiteral("  a.jpg ") << QStringLiteral("a.jpg");
        QTest::newRow("full-width both ends") << QStringLiteral("\u3000a.jpg\u3000\u3000") << QStringLiteral("a.jpg");
        QTest::newRow("mixed") << QStringLiteral(" \u3000 a b \u3000") << QStringLiteral("a b");
        QTest::newRow("inner spaces stay") << QStringLiteral("a \u3000b") << QStringLiteral("a \u3000b");
        QTest::newRow("tabs are not spaces") << QStringLiteral("\ta\t") << QStringLiteral("\ta\t");
        QTest::newRow("only spaces") << QStringLiteral(" \u3000 ") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void trimSpaces()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(core::trimSpaces(in), out);
    }

    void textToNumber_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("integer") << QStringLiteral("2") << 2.0;
        QTest::newRow("leading white space") << QStringLiteral("  \t12") << 12.0;
        QTest::newRow("stops at garbage") << QStringLiteral("3abc") << 3.0;
        QTest::newRow("fraction") << QStringLiteral("2.75") << 2.75;
        QTest::newRow("negative") << QStringLiteral("-4.5") << -4.5;
        QTest::newRow("exponent") << QStringLiteral("1e3") << 1000.0;
        QTest::newRow("full-width digits") << QStringLiteral("\uFF11\uFF12") << 12.0;
        QTest::newRow("full-width sign and point") << QStringLiteral("\uFF0D\uFF13\uFF0E\uFF15") << -3.5;
        QTest::newRow("no number") << QStringLiteral("abc") << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("hex is not decimal") << QStringLiteral("0x10") << 0.0;
        QTest::newRow("inf is not a number") << QStringLiteral("inf") << 0.0;
        QTest::newRow("chinese stops it") << QStringLiteral("7行") << 7.0;
        QTest::newRow("comma is no decimal point") << QStringLiteral("2,75") << 2.0;
        QTest::newRow("point after the digits") << QStringLiteral("5.") << 5.0;
        QTest::newRow("point first") << QStringLiteral(".5") << 0.5;
        QTest::newRow("sign then point") << QStringLiteral("-.5") << -0.5;
        QTest::newRow("beyond a double") << QStringLiteral("1e400") << 0.0;
    }
    void textToNumber()
    {
        QFETCH(QString, in);
        QFETCH(double, out);
        QCOMPARE(core::textToNumber(in), out);
    }

    void wholeNumber_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<qint64>("out");
        QTest::addColumn<bool>("valid");
        QTest::newRow("digits") << QStringLiteral("120") << qint64(120) << true;
        QTest::newRow("plus") << QStringLiteral("+5") << qint64(5) << true;
        QTest::newRow("minus") << QStringLiteral("-3") << qint64(-3) << true;
        QTest::newRow("beyond 64 bits") << QStringLiteral("99999999999999999999") << qint64(0) << false;
        QTest::newRow("white space") << QStringLiteral(" 4") << qint64(0) << false;
        QTest::newRow("trailing text") << QStringLiteral("4px") << qint64(0) << false;
        QTest::newRow("two signs") << QStringLiteral("+-1") << qint64(0) << false;
        QTest::newRow("sign alone") << QStringLiteral("+") << qint64(0) << false;
        QTest::newRow("full-width digits") << QStringLiteral("\uFF11\uFF12") << qint64(0) << false;
        QTest::newRow("empty") << QString() << qint64(0) << false;
    }
    void wholeNumber()
    {
        QFETCH(QString, in);
        QFETCH(qint64, out);
        QFETCH(bool, valid);
        QCOMPARE(core::wholeNumber(in), valid ? std::optional<qint64>(out) : std::nullopt);
    }

    void numberToText_data()
    {
        QTest::addColumn<double>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("whole") << 2.0 << QStringLiteral("2");
        QTest::newRow("fraction") << 0.5 << QStringLiteral("0.5");
        QTest::newRow("thirteen digits") << 1.0 / 3.0 << QStringLiteral("0.3333333333333");
        QTest::newRow("large whole") << 1234567.0 << QStringLiteral("1234567");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
    }
    void numberToText()
    {
        QFETCH(double, in);
        QFETCH(QString, out);
        QCOMPARE(core::numberToText(in), out);
    }

    void numberToInt()
    {
        QCOMPARE(core::numberToInt(2.9), 2);
        QCOMPARE(core::numberToInt(-2.9), -2);
        QCOMPARE(core::numberToInt(1e20), std::numeric_limits<int>::max());
        QCOMPARE(core::numberToInt(std::nan("")), 0);
    }

    void badgeByNameIsExact()
    {
        QCOMPARE(core::badgeByName(QStringLiteral("会员Lv7")), std::optional<int>(0));
        QCOMPARE(core::badgeByName(QStringLiteral("所有年字")), std::optional<int>(10));
        QVERIFY(!core::badgeByName(QStringLiteral("会员lv7")));
        QVERIFY(!core::badgeByName(QStringLiteral("会员Lv7 ")));
        QVERIFY(!core::badgeByName(QString()));
    }

    // The window names the format and says what is wrong in Chinese, whatever the decoder's English words;
    // where the words touch two kinds, the telling one wins.
    void damageIsSaidInChinese_data()
    {
        QTest::addColumn<core::Reason>("reason");
        QTest::addColumn<QString>("said");
        using core::ReasonCode;
        auto damaged = [](const char* format, const char* words) {
            return core::Reason(ReasonCode::Damaged, {QLatin1String(format), QLatin1String(words)});
        };
        QTest::newRow("libpng: CRC error in the header chunk")
            << damaged("PNG", "IHDR: CRC error") << QStringLiteral("PNG 图片数据已损坏：校验和不符");
        QTest::newRow("zlib: a header check in the compressed data")
            << damaged("PNG", "incorrect header check") << QStringLiteral("PNG 图片数据已损坏：压缩数据无法解码");
        QTest::newRow("libjpeg: corrupt data that ends early")
            << damaged("JPEG", "Corrupt JPEG data: premature end of data segment")
            << QStringLiteral("JPEG 图片数据已损坏：数据提前结束");
        QTest::newRow("WebP: cut inside its header") << damaged("WebP", "the file ends inside its header")
                                                     << QStringLiteral("WebP 图片数据已损坏：数据提前结束");
        QTest::newRow("libheif: a missing box")
            << damaged("HEIF", "the file cannot be read: Invalid input: No 'meta' box")
            << QStringLiteral("HEIF 图片数据已损坏：文件结构或字段值无效");
        QTest::newRow("libtiff: shown in part, a feature it lacks")
            << core::Reason(ReasonCode::DamagedShown,
                            {"TIFF", "Sorry, can not handle image with PhotometricInterpretation=9"})
            << QStringLiteral("TIFF 图片数据有损坏（用到了不支持的编码或功能），只显示能读出的部分");
        QTest::newRow("BMP: a compression it does not read")
            << core::Reason(ReasonCode::Unsupported, {"BMP", "compression 9"})
            << QStringLiteral("不支持这种 BMP 图片：压缩方式 9");
        QTest::newRow("BMP: CMYK") << core::Reason(ReasonCode::Unsupported, {"BMP", "CMYK colours (compression 12)"})
                                   << QStringLiteral("不支持这种 BMP 图片：CMYK 颜色（压缩方式 12）");
        QTest::newRow("BMP: cut before its pixels") << damaged("BMP", "the file ends before its pixel data")
                                                    << QStringLiteral("BMP 图片数据已损坏：数据提前结束");
        QTest::newRow("words no kind knows") << core::Reason(ReasonCode::Unsupported, {"PCX", "frobnicated twice"})
                                             << QStringLiteral("不支持这种 PCX 图片：数据无法解读");
    }
    void damageIsSaidInChinese()
    {
        QFETCH(core::Reason, reason);
        QFETCH(QString, said);
        QCOMPARE(core::chineseText(reason), said);
        QVERIFY(core::englishText(reason).contains(reason.args[1])); // vorlith-batch keeps the decoder's words
    }

private:
    QTemporaryDir m_locales;
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
