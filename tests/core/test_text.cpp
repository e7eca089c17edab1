#include "core/badges.h"
#include "core/text.h"

#include <QtTest>

#include <clocale>

class TestText : public QObject {
    Q_OBJECT
private slots:
    // QCoreApplication takes LC_NUMERIC from the environment; the expectations are written with a decimal
    // point, so the test names its locale instead of depending on the machine's.
    void initTestCase() { QVERIFY(std::setlocale(LC_NUMERIC, "C")); }

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
    }
    void textToNumber()
    {
        QFETCH(QString, in);
        QFETCH(double, out);
        QCOMPARE(core::textToNumber(in), out);
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

    void badgeOrdersArePermutations()
    {
        for (const auto& order : {core::kBadgeStacking, core::kBadgeRestoreOrder}) {
            std::array<int, core::kBadgeCount> seen{};
            for (int i : order)
                ++seen[static_cast<size_t>(i)];
            for (int n : seen)
                QCOMPARE(n, 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
