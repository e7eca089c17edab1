// The batch on the real window: the browse and save-to buttons with the folder chooser answered, the timer
// stepping through the list, and the numbered files compared by pixels with the frame the layout describes.
#include "material/composition.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/picture_bytes.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_layout_menu.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QThread>
#include <QtTest>

#include <memory>
#include <optional>

using namespace core;

namespace {

QByteArray jpegOf(QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < size.height(); y += 8) // stripes, so stretching matters
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(255 - colour.red(), colour.green(), 255 - colour.blue()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// The picture as the box shows it: decoded and fitted into 140 x 226.
QImage shownPicture(const QByteArray& jpeg, material::Fit fit)
{
    return material::fitPicture(picture::decodePicture(jpeg, material::kPictureRect.size()).image, fit);
}

QStringList filesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void startRun(testutil::ShownWindow& shown, const QString& materials, const QString& output)
{
    testutil::answerFileDialog(materials);
    QTest::mouseClick(shown.widget(ids::BrowseButton), Qt::LeftButton);
    testutil::answerFileDialog(output);
    QTest::mouseClick(shown.widget(ids::SaveToButton), Qt::LeftButton);
}

} // namespace

// The desktop on the test's session bus: a stand-in notification server, and a listener for the launcher
// entry's signal, on a connection of their own. Each update is kept as "uri count shown progress shown".
class DesktopStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit DesktopStandIn(const QString& address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("desktop stand-in")))
    {
        ok = m_bus.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
             m_bus.registerObject(
                 QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots) &&
             m_bus.connect({},
                           {},
                           QStringLiteral("com.canonical.Unity.LauncherEntry"),
                           QStringLiteral("Update"),
                           this,
                           SLOT(update(QString, QVariantMap)));
    }
    ~DesktopStandIn() override { QDBusConnection::disconnectFromBus(QStringLiteral("desktop stand-in")); }

    bool ok = false;
    QStringList updates;
    QList<QStringList> notifications; // app name, icon, summary, body, desktop-entry hint

public slots:
    uint Notify(const QString& app,
                uint,
                const QString& icon,
                const QString& summary,
                const QString& body,
                const QStringList&,
                const QVariantMap& hints,
                int)
    {
        notifications.append({app, icon, summary, body, hints.value(QStringLiteral("desktop-entry")).toString()});
        return uint(notifications.size());
    }
    void update(const QString& uri, const QVariantMap& p)
    {
        updates.append(QStringLiteral("%1 %2 %3 %4 %5")
                           .arg(uri)
                           .arg(p.value(QStringLiteral("count")).toLongLong())
                           .arg(int(p.value(QStringLiteral("count-visible")).toBool()))
                           .arg(p.value(QStringLiteral("progress")).toDouble(), 0, 'g', 3)
                           .arg(int(p.value(QStringLiteral("progress-visible")).toBool())));
    }

private:
    QDBusConnection m_bus;
};

class TestBatchWindow : public QObject {
    Q_OBJECT
public:
    // The test's own session bus; empty when the test runs without one.
    explicit TestBatchWindow(QString bus) : m_bus(std::move(bus)) {}

private slots:
    void twoMaterialsGiveTwoNumberedFiles()
    {
        testutil::Sandbox in, out;
        const QByteArray a = jpegOf(QColor(200, 40, 40), QSize(280, 452));
        const QByteArray b = jpegOf(QColor(40, 60, 220), QSize(640, 1024));
        // Made b first: the numbers follow the names, not the order the folder was filled in.
        QVERIFY(in.write(QStringLiteral("b.JPG"), b));
        QVERIFY(in.write(QStringLiteral("a.jpg"), a));
        testutil::ShownWindow shown;
        // A nudged and a hidden badge, and the pictures contained rather than stretched: the files show
        // what the effect area does.
        QTest::mouseClick(shown.widget(kBadges[1].toggleButton), Qt::LeftButton);
        QTest::mouseClick(shown.widget(ids::NudgeRight), Qt::LeftButton);
        shown.widget(ids::EffectArea)->findChild<ui::BadgeLayoutMenu*>()->setFit(material::Fit::Contain);

        startRun(shown, in.path(), out.path());
        QCOMPARE(shown.controls().text(ids::MaterialFolderBox), in.path());
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(out.path()).size(), 2, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(shown.controls().interval(ids::BatchTimer), 0, 15000);

        QCOMPARE(filesIn(out.path()), (QStringList{QStringLiteral("1.png"), QStringLiteral("2.png")}));
        QCOMPARE(shown.controls().text(ids::FileList), QStringLiteral("a.jpg\r\nb.JPG"));
        const auto framed = [&](const QByteArray& m) {
            return testutil::expectedFrame(shownPicture(m, material::Fit::Contain), shown);
        };
        VERIFY_SAME_PIXELS(QImage(out.file("1.png")), framed(a));
        VERIFY_SAME_PIXELS(QImage(out.file("2.png")), framed(b));
        // The end of the run: no extra file, the box cleared, the line number back at 1.
        QVERIFY(!shown.controls().hasPicture(ids::CompositionPicture));
        QCOMPARE(shown.controls().text(ids::LineNumberBox), QStringLiteral("1"));
    }

    void aCorruptMaterialIsSkippedAndReported_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QTest::addColumn<QString>("said");
        QTest::newRow("no picture") << QByteArray("\xFF\xD8 this is no picture", 22) << QString();
        // A GIF whose screen is 20000 x 20000: 1526 MB as 32-bit pixels and as much again for its copy over
        // white (the screen its frame leaves uncovered is transparent), past the 1024 MB the window may
        // decode, so it is refused before anything is allocated.
        const QList<picturebytes::GifFrame> frame{picturebytes::GifFrame(QByteArray(4, '\0'), QRect(0, 0, 2, 2))};
        QTest::newRow("past the memory budget") << picturebytes::gifFile(QSize(20000, 20000), {qRgb(1, 2, 3)}, 0, frame)
                                                << QStringLiteral("图片需要 3052 MB 内存，超过允许的 1024 MB");
    }
    void aCorruptMaterialIsSkippedAndReported()
    {
        QFETCH(QByteArray, broken);
        QFETCH(QString, said);
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("good.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("broken.jpg"), broken));
        testutil::ShownWindow shown;
        QString report;
        startRun(shown, in.path(), out.path());
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&report); });
        QTRY_VERIFY_WITH_TIMEOUT(!report.isEmpty(), 15000);
        QVERIFY2(report.contains(QStringLiteral("broken.jpg：") + said), qPrintable(report));
        QCOMPARE(filesIn(out.path()).size(), 1);
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
    }

    // Into a folder that already holds 1.png: one question, and No (the default button) leaves the folder
    // as it was and starts nothing.
    void existingOutputsAreReplacedOnlyWhenTheUserSaysSo()
    {
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("a.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("b.jpg"), jpegOf(Qt::darkRed, QSize(140, 226))));
        QVERIFY(out.write(QStringLiteral("1.png"), "an earlier result"));
        testutil::ShownWindow shown;
        QString question;
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&question); });
        startRun(shown, in.path(), out.path());
        QTRY_COMPARE(question, QStringLiteral("1 个文件已存在，替换？"));
        QTRY_VERIFY(!QApplication::activeModalWidget()); // the answer is taken
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        QCOMPARE(filesIn(out.path()), QStringList{QStringLiteral("1.png")});
        QCOMPARE(testutil::readFile(out.file(QStringLiteral("1.png"))), QByteArray("an earlier result"));
    }

    // Closing the window during a run asks whether to stop it: No keeps the window and the run; Yes stops the
    // run and closes. While the question is open no material is taken, so Yes leaves at most one more picture
    // per worker (the run uses every core) than were there when it was asked, each of them whole.
    void closingDuringARunAsks()
    {
        testutil::Sandbox in, out;
        const QByteArray jpeg = jpegOf(QColor::fromHsv(40, 200, 200), QSize(640, 1024));
        for (int i = 0; i < 200; ++i)
            QVERIFY(in.write(QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0')), jpeg));
        testutil::ShownWindow shown;
        startRun(shown, in.path(), out.path());
        QTRY_VERIFY(filesIn(out.path()).size() >= 5);
        qsizetype atQuestion = -1;
        for (bool stop : {false, true}) {
            QVERIFY(shown.controls().interval(ids::BatchTimer) != 0);
            QString question;
            // Counted as soon as the question is seen open, then answered once the pictures in progress could
            // have come (one per worker) and a run that went on would have shown more.
            const int workers = QThread::idealThreadCount();
            bool wentOn = false;
            testutil::whenModalOpens<QMessageBox>([&, workers](QMessageBox* box) {
                question = box->text();
                atQuestion = filesIn(out.path()).size();
                wentOn = QTest::qWaitFor([&] { return filesIn(out.path()).size() > atQuestion + workers; }, 500);
                box->button(stop ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            shown.window().close();
            QCOMPARE(question, QStringLiteral("批量制作正在进行。要停止吗？"));
            QVERIFY2(!wentOn, "the run went on while the question was open");
            QCOMPARE(shown.window().isVisible(), !stop);
        }
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        const QStringList written = filesIn(out.path());
        QVERIFY(atQuestion >= 5);
        QVERIFY2(written.size() <= atQuestion + QThread::idealThreadCount(),
                 qPrintable(QString::number(written.size())));
        for (const QString& name : written)
            QCOMPARE(QImage(out.file(name)).size(), QSize(152, 240));
    }

    // The run's progress on the launcher entry, and one notification at the end while the user is elsewhere.
    // Without a session bus the run is the same and nothing is said about the missing bus.
    void theDesktopShowsTheRunsProgress_data()
    {
        QTest::addColumn<bool>("elsewhere");
        QTest::newRow("the user went elsewhere") << true;
        QTest::newRow("the user watches the window") << false;
    }
    void theDesktopShowsTheRunsProgress()
    {
        QFETCH(bool, elsewhere);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("d-?bus"), QRegularExpression::CaseInsensitiveOption));
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("a.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("b.jpg"), "no picture"));
        QVERIFY(in.write(QStringLiteral("c.jpg"), jpegOf(Qt::darkRed, QSize(140, 226))));
        std::unique_ptr<DesktopStandIn> desktop;
        if (!m_bus.isEmpty()) {
            desktop = std::make_unique<DesktopStandIn>(m_bus);
            QVERIFY(desktop->ok);
        } else {
            QVERIFY(!QDBusConnection::sessionBus().isConnected());
        }
        testutil::ShownWindow shown;
        QWidget other;
        other.show();
        QString report;
        startRun(shown, in.path(), out.path());
        QApplication::setActiveWindow(elsewhere ? &other : &shown.window());
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&report); });
        QTRY_VERIFY_WITH_TIMEOUT(!report.isEmpty(), 15000);
        QCOMPARE(filesIn(out.path()), (QStringList{QStringLiteral("1.png"), QStringLiteral("3.png")}));
        if (!desktop)
            return;
        if (!elsewhere && !shown.window().isActiveWindow())
            QSKIP("another test on the X server took the window's activation");
        // The entry is the desktop file the package installs, named after the app id.
        const QString app = QStringLiteral(VORLITH_APP_ID);
        const QString entry = QStringLiteral("application://") + app + QStringLiteral(".desktop ");
        // The window shows the finished materials at most 25 times a second, so counts after the first may be passed
        // over; those sent come in order, and the entry is cleared at the end.
        QTRY_VERIFY2(desktop->updates.size() >= 2 && desktop->updates.constLast() == entry + "0 0 0 0",
                     qPrintable(desktop->updates.join(QLatin1Char(','))));
        const QStringList run = desktop->updates.mid(0, desktop->updates.size() - 1);
        QCOMPARE(run.constFirst(), entry + "0 1 0 1");
        const QStringList steps{entry + "0 1 0 1", entry + "1 1 0.333 1", entry + "2 1 0.667 1", entry + "3 1 1 1"};
        qsizetype at = 0;
        for (const QString& update : run) {
            const qsizetype i = steps.indexOf(update, at);
            QVERIFY2(i >= 0, qPrintable(QStringLiteral("out of order or unknown: ") + update));
            at = i + 1;
        }
        QTest::qWait(100);
        const QList<QStringList> told{{app, app, "批量制作完成", "已保存 2 张图片，跳过 1 个", app}};
        QCOMPARE(desktop->notifications, elsewhere ? told : QList<QStringList>());
    }

    void anEmptyListingSaysSoAndStartsNothing()
    {
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("only.gif"), QByteArray("GIF89a")));
        testutil::ShownWindow shown;
        const QString outputBefore = shown.controls().text(ids::OutputFolderBox);
        QString message;
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&message); });
        testutil::answerFileDialog(in.path());
        QTest::mouseClick(shown.widget(ids::BrowseButton), Qt::LeftButton);
        QTest::mouseClick(shown.widget(ids::SaveToButton), Qt::LeftButton);
        QTRY_COMPARE(message, QStringLiteral("请确定素材路径正确或者格式正确！"));
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        QCOMPARE(shown.controls().text(ids::OutputFolderBox), outputBefore);
        QVERIFY(filesIn(out.path()).isEmpty());
    }

private:
    QString m_bus;
};

// The desktop's progress goes to a session bus of the test's own, started before the application so the
// program finds it; run with VORLITH_TEST_SESSION_BUS=none, the test has none.
int main(int argc, char** argv)
{
    std::optional<testutil::PrivateSessionBus> bus;
    if (qgetenv("VORLITH_TEST_SESSION_BUS") != "none") {
        bus.emplace();
        if (bus->address.isEmpty()) {
            std::fprintf(stderr, "dbus-daemon did not start a session bus\n");
            return 1;
        }
    }
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    TestBatchWindow test(bus ? bus->address : QString());
    return QTest::qExec(&test, argc, argv);
}

#include "test_batch_window.moc"
