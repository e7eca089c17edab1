// Badge layout files: what is written reads back the same, bad lines are refused with their line number, and
// layouts move between files and controls unchanged.
#include "material/badge_layout.h"
#include "test_utils.h"
#include "testsupport/memory_controls.h"

#include <QTest>

using material::BadgeLayout;

class TestBadgeLayout : public QObject {
    Q_OBJECT

private:
    // A layout unlike the default in every badge: odd ones hidden, every one moved, some off the box.
    static BadgeLayout scrambled()
    {
        BadgeLayout layout = material::defaultBadgeLayout();
        for (std::size_t i = 0; i < layout.size(); ++i) {
            layout[i].visible = i % 2 == 0;
            layout[i].pos = QPoint(static_cast<int>(i) * 7 - 20, 150 - static_cast<int>(i) * 13);
        }
        return layout;
    }

    static bool sameLayout(const BadgeLayout& a, const BadgeLayout& b)
    {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].visible != b[i].visible || a[i].pos != b[i].pos)
                return false;
        }
        return true;
    }

private slots:
    void fileRoundTrip()
    {
        testutil::Sandbox box;
        const BadgeLayout layout = scrambled();
        QCOMPARE(material::writeBadgeLayoutFile(box.file(QStringLiteral("a.layout")), layout), QString());
        const material::BadgeLayoutResult read = material::readBadgeLayoutFile(box.file(QStringLiteral("a.layout")));
        QVERIFY(read.reason.isNone());
        QVERIFY(sameLayout(read.layout, layout));
        QVERIFY(!read.fit); // a file without a fit line leaves the fit as it is
        for (const material::Fit fit : {material::Fit::CoverTop, material::Fit::Contain}) {
            QCOMPARE(material::writeBadgeLayoutFile(box.file(QStringLiteral("b.layout")), layout, fit), QString());
            QCOMPARE(material::readBadgeLayoutFile(box.file(QStringLiteral("b.layout"))).fit, fit);
        }
    }

    void handWrittenFile()
    {
        // Comments, blank lines, tabs and runs of spaces, CR LF line ends; badges not named keep their defaults.
        const QString text = QStringLiteral("# mine\r\n\r\n  QQ钻皇\t0   121 -4\r\n所有年字 1 45 3\r\n");
        const material::BadgeLayoutResult read = material::parseBadgeLayout(text);
        QVERIFY(read.reason.isNone());
        QCOMPARE(read.layout[4].visible, false); // QQ钻皇 is the fifth badge of the table
        QCOMPARE(read.layout[4].pos, QPoint(121, -4));
        QCOMPARE(read.layout[10].pos, QPoint(45, 3));
        QCOMPARE(read.layout[0].pos, QPoint(1, 1));
        QCOMPARE(read.layout[0].visible, true);
    }

    void badLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown name") << QStringLiteral("会员Lv7 1 1 1\n会员lv7 1 1 1\n")
                                      << QStringLiteral("line 2: no badge is named \"会员lv7\"");
        QTest::newRow("named twice") << QStringLiteral("QQ图书 1 3 40\n\nQQ图书 0 3 40\n")
                                     << QStringLiteral("line 3: badge \"QQ图书\" is named twice");
        QTest::newRow("too few fields") << QStringLiteral("QQ图书 1 3\n")
                                        << QStringLiteral("line 1: expected 4 fields (name visible left top), found 3");
        QTest::newRow("too many fields") << QStringLiteral("QQ图书 1 3 40 9\n")
                                         << QStringLiteral(
                                                "line 1: expected 4 fields (name visible left top), found 5");
        QTest::newRow("visibility word") << QStringLiteral("QQ图书 yes 3 40\n")
                                         << QStringLiteral("line 1: visible must be 0 or 1, not \"yes\"");
        QTest::newRow("fraction") << QStringLiteral("QQ图书 1 3.5 40\n")
                                  << QStringLiteral(
                                         "line 1: left and top must be whole numbers from -100000 to 100000");
        QTest::newRow("beyond bound") << QStringLiteral("QQ图书 1 3 100001\n")
                                      << QStringLiteral(
                                             "line 1: left and top must be whole numbers from -100000 to 100000");
        QTest::newRow("unknown fit") << QStringLiteral("fit sideways\n")
                                     << QStringLiteral("line 1: expected fit stretch|cover|cover-top|contain");
        QTest::newRow("fit twice") << QStringLiteral("fit cover\nfit contain\n")
                                   << QStringLiteral("line 2: the fit is given twice");
        QTest::newRow("overflow") << QStringLiteral("QQ图书 1 99999999999 0\n")
                                  << QStringLiteral(
                                         "line 1: left and top must be whole numbers from -100000 to 100000");
    }

    void badLines()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        const material::BadgeLayoutResult read = material::parseBadgeLayout(text);
        QCOMPARE(core::englishText(read.reason), error);
        // A refused text gives the default layout, never half of the file.
        QVERIFY(sameLayout(read.layout, material::defaultBadgeLayout()));
    }

    void missingAndOversizedFiles()
    {
        testutil::Sandbox box;
        QCOMPARE(material::readBadgeLayoutFile(box.file(QStringLiteral("none.layout"))).reason.code,
                 core::ReasonCode::FileMissing);
        QVERIFY(box.write(QStringLiteral("big.layout"), QByteArray(70 * 1024LL, '#')));
        QVERIFY(material::readBadgeLayoutFile(box.file(QStringLiteral("big.layout"))).reason.code ==
                core::ReasonCode::FileTooLarge);
        // Writing into a folder that does not exist fails and says so.
        QVERIFY(!material::writeBadgeLayoutFile(box.file(QStringLiteral("no/such/a.layout")), scrambled()).isEmpty());
    }

    void controlsRoundTrip()
    {
        testutil::MemoryControls controls;
        const BadgeLayout layout = scrambled();
        material::applyBadgeLayout(controls, layout);
        QCOMPARE(controls.left(core::kBadges[3].id), layout[3].pos.x());
        QCOMPARE(controls.isVisible(core::kBadges[1].id), false);
        QVERIFY(sameLayout(material::badgeLayoutOf(controls), layout));
    }

    void layersFollowStacking()
    {
        std::array<QImage, core::kBadgeCount> bitmaps;
        for (std::size_t i = 0; i < bitmaps.size(); ++i)
            bitmaps[i] = testutil::makeBadgeBitmap(static_cast<int>(i), core::kBadges[i].bitmapSize);
        const BadgeLayout layout = scrambled();
        const std::vector<material::BadgeLayer> layers = material::badgeLayers(layout, bitmaps);
        QCOMPARE(layers.size(), std::size_t(core::kBadgeCount));
        for (std::size_t k = 0; k < layers.size(); ++k) {
            const auto i = static_cast<std::size_t>(core::kBadgeStacking[k]);
            QCOMPARE(layers[k].pos, layout[i].pos);
            QCOMPARE(layers[k].visible, layout[i].visible);
            QCOMPARE(layers[k].bitmap, bitmaps[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestBadgeLayout)
#include "test_badge_layout.moc"
