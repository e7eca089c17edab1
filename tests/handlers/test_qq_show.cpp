// The QQ Show lookup against a picture server on loopback: the address the viewer is given, the requests the
// server sees, the picture the cropped viewer shows, the start-up lookup, a server that never answers, and
// saving the viewer frame through the real file dialog whichever page is shown.
#include "core/badges.h"
#include "handlers/qq_show.h"
#include "picture_server.h"
#include "test_utils.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/web_view.h"

#include <QApplication>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

#include <functional>

using namespace core::ids;

namespace {

constexpr int kLoadTimeoutMs = 20000;

// The saved or rendered viewer frame for a page showing `picture` at its top-left corner: black margins of
// 7 pixels left, top and bottom and 5 right around the 140 x 226 part of the page that starts at (12, 17).
QImage expectedViewerFrame(const QImage& picture)
{
    QImage frame(152, 240, QImage::Format_RGB32);
    frame.fill(Qt::black);
    for (int y = 0; y < 226; ++y) {
        for (int x = 0; x < 140; ++x)
            frame.setPixel(7 + x, 7 + y, picture.pixel(12 + x, 17 + y));
    }
    return frame;
}

// Runs the event loop until the condition holds. QTest's own waits sleep between rounds of events, and the
// web engine's tasks run on this thread, which would slow every page load to seconds.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kLoadTimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The shown window pointed at a server, with a record of the viewer's finished loads.
struct Viewer {
    struct Load {
        QUrl url;
        bool ok;
    };

    explicit Viewer(const QString& base, const ui::HandlerTable& handlers = ui::defaultHandlers())
        : server((qputenv("VORLITH_SHOW_SERVER", base.toUtf8()), base)), shown(handlers),
          view(shown.window().controlAs<ui::WebView>(QqShowViewer))
    {
        QObject::connect(view, &QWebEngineView::loadFinished, view, [this](bool ok) {
            loads.append({view->url(), ok});
        });
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    auto& controls() { return shown.controls(); }
    ui::PageControl& pages() { return *shown.window().controlAs<ui::PageControl>(PageControl); }
    void click(core::ControlId button) { shown.window().controlAs<QPushButton>(button)->click(); }

    // The index of the first finished load of `address` after the first `from` loads, or -1.
    qsizetype findLoad(const QString& address, qsizetype from) const
    {
        const QUrl url(address, QUrl::TolerantMode);
        for (qsizetype i = from; i < loads.size(); ++i) {
            if (loads.at(i).url == url)
                return i;
        }
        return -1;
    }
    qsizetype waitForLoad(const QString& address, qsizetype from)
    {
        qsizetype found = -1;
        waitUntil([&] { return (found = findLoad(address, from)) >= 0; });
        return found;
    }
    // Types the number, clicks the query button and waits for the page; true when it loaded.
    bool lookUp(const QString& number)
    {
        const qsizetype from = loads.size();
        controls().setText(QqNumberBox, number);
        click(QueryButton);
        const qsizetype index = waitForLoad(controls().address(QqShowViewer), from);
        return index >= 0 && loads.at(index).ok;
    }

    QString server;
    testutil::ShownWindow shown;
    ui::WebView* view;
    QList<Load> loads;
};

// Answers the next modal file dialog with a path as soon as it is up: fills the name field and accepts.
class DialogAnswer : public QObject {
public:
    explicit DialogAnswer(const QString& path) : m_path(path)
    {
        connect(&m_poll, &QTimer::timeout, this, [this] { answer(); });
        m_poll.start(10);
    }
    bool answered() const { return m_answered; }

private:
    void answer()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        m_poll.stop();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(m_path);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, which checks the name as a user's
        m_answered = true;
    }

    QString m_path;
    QTimer m_poll;
    bool m_answered = false;
};

QString closedPortBase()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/").arg(port);
}

} // namespace

class TestQqShow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_server.isListening()); }

    void serverBaseFromEnvironment_data();
    void serverBaseFromEnvironment();
    void lookupShowsThePictureCropped_data();
    void lookupShowsThePictureCropped();
    void emptyBoxChangesNothing();
    void everyLookupReachesTheServer();
    void startUpLooksUpTheDefaultNumber();
    void serverThatFailsDoesNotBlock_data();
    void serverThatFailsDoesNotBlock();
    void saveQqShowAfterAFailedLoadWritesNothing_data();
    void saveQqShowAfterAFailedLoadWritesNothing();
    void saveQqShowWritesTheFrame_data();
    void saveQqShowWritesTheFrame();

private:
    testutil::PictureServer m_server;
};

void TestQqShow::serverBaseFromEnvironment_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected"); // empty: the built-in picture server
    QTest::newRow("unset") << false << QByteArray() << QString();
    QTest::newRow("empty") << true << QByteArray() << QString();
    QTest::newRow("with slash") << true << QByteArray("http://127.0.0.1:8080/") << "http://127.0.0.1:8080/";
    QTest::newRow("slash added") << true << QByteArray("http://127.0.0.1:8080/qqshow")
                                 << "http://127.0.0.1:8080/qqshow/";
}

void TestQqShow::serverBaseFromEnvironment()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("VORLITH_SHOW_SERVER");
    if (set)
        qputenv("VORLITH_SHOW_SERVER", value);
    else
        qunsetenv("VORLITH_SHOW_SERVER");
    const QString base = handlers::pictureServerBase();
    const QString address = handlers::lookupAddress(QStringLiteral("10001"));
    qputenv("VORLITH_SHOW_SERVER", saved);

    if (expected.isEmpty()) {
        // The built-in server: a plain HTTP address, never loopback.
        QVERIFY2(base.startsWith(QStringLiteral("http://")) && base.endsWith(QLatin1Char('/')), qPrintable(base));
        QVERIFY(!base.contains(QStringLiteral("127.0.0.1")));
    } else {
        QCOMPARE(base, expected);
    }
    QCOMPARE(address, base + QStringLiteral("10001/8012/"));
}

void TestQqShow::lookupShowsThePictureCropped_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("number") << QStringLiteral("10001");
    QTest::newRow("leading space") << QStringLiteral(" 10001");
    QTest::newRow("space inside") << QStringLiteral("100 01");
    QTest::newRow("letters") << QStringLiteral("qqshow");
    QTest::newRow("Chinese") << QStringLiteral("号码");
}

void TestQqShow::lookupShowsThePictureCropped()
{
    QFETCH(QString, number);
    Viewer viewer(m_server.base());
    viewer.pages().setCurrentPage(1);
    const QString path = QLatin1Char('/') + number + QStringLiteral("/8012/");
    const int before = m_server.count(path);

    QVERIFY(viewer.lookUp(number));
    QCOMPARE(viewer.controls().address(QqShowViewer), m_server.base() + number + QStringLiteral("/8012/"));
    QCOMPARE(m_server.count(path), before + 1);

    const QImage expected = expectedViewerFrame(m_server.picture());
    QImage rendered;
    waitUntil([&] { return (rendered = viewer.controls().renderFrame(ViewerFrame)) == expected; });
    VERIFY_SAME_PIXELS(rendered, expected);
}

void TestQqShow::emptyBoxChangesNothing()
{
    Viewer viewer(m_server.base());
    QVERIFY(viewer.lookUp(QStringLiteral("30003")));
    const QString address = viewer.controls().address(QqShowViewer);
    const QStringList requests = m_server.pageRequests();
    QSignalSpy started(viewer.view, &QWebEngineView::loadStarted);
    const qsizetype loads = viewer.loads.size();

    viewer.controls().setText(QqNumberBox, QString());
    viewer.click(QueryButton);
    waitUntil([] { return false; }, 500);
    QCOMPARE(viewer.controls().address(QqShowViewer), address);
    QCOMPARE(started.count(), 0);
    QCOMPARE(viewer.loads.size(), loads);
    QCOMPARE(m_server.pageRequests(), requests);
}

void TestQqShow::everyLookupReachesTheServer()
{
    // The server allows its answers to be cached for an hour; every lookup must still reach it.
    Viewer viewer(m_server.base());
    const QString a = QStringLiteral("/40004/8012/");
    const QString b = QStringLiteral("/50005/8012/");
    for (const char* number : {"40004", "40004", "50005", "40004"})
        QVERIFY(viewer.lookUp(QString::fromLatin1(number)));
    QCOMPARE(m_server.count(a), 3);
    QCOMPARE(m_server.count(b), 1);
    QCOMPARE(viewer.view->url().path(), a);
    // The viewer asks for Chinese, whatever the system's language.
    QVERIFY2(m_server.lastAcceptLanguage().startsWith(QStringLiteral("zh-CN")),
             qPrintable(m_server.lastAcceptLanguage()));
}

void TestQqShow::startUpLooksUpTheDefaultNumber()
{
    // The start-up handler as the program binds it, without the skin.
    ui::HandlerTable table = ui::defaultHandlers();
    table.bind(ui::Handler::StartUp, [](core::Controls& controls, int) { handlers::lookupQqShow(controls); });
    Viewer viewer(m_server.base(), table);
    const QString number = viewer.controls().text(QqNumberBox);
    QVERIFY(!number.isEmpty());
    const QString initial = viewer.controls().address(QqShowViewer);
    QVERIFY2(initial.startsWith(m_server.base()) && initial.endsWith(QStringLiteral("/8012.jpg")), qPrintable(initial));

    const QString path = QLatin1Char('/') + number + QStringLiteral("/8012/");
    const int before = m_server.count(path);
    ui::raiseCreated(viewer.shown.built, table);
    const QString lookup = m_server.base() + number + QStringLiteral("/8012/");
    QCOMPARE(viewer.controls().address(QqShowViewer), lookup);
    const qsizetype loaded = viewer.waitForLoad(lookup, 0);
    QVERIFY(loaded >= 0);
    QVERIFY(viewer.loads.at(loaded).ok);
    QCOMPARE(m_server.count(path), before + 1);
}

void TestQqShow::serverThatFailsDoesNotBlock_data()
{
    QTest::addColumn<bool>("stalled"); // the server takes the request and never answers; else nothing listens
    QTest::newRow("never answers") << true;
    QTest::newRow("nothing listens") << false;
}

void TestQqShow::serverThatFailsDoesNotBlock()
{
    QFETCH(bool, stalled);
    testutil::PictureServer stallingServer(testutil::PictureServer::Mode::Stall);
    Viewer viewer(stalled ? stallingServer.base() : closedPortBase());
    const core::Badge& badge = core::kBadges[0];
    QVERIFY(viewer.shown.widget(badge.id)->isVisible());

    viewer.controls().setText(QqNumberBox, QStringLiteral("60006"));
    viewer.click(QueryButton);
    const QString lookup = viewer.server + QStringLiteral("60006/8012/");
    QCOMPARE(viewer.controls().address(QqShowViewer), lookup);
    if (stalled) {
        // The event loop runs on while the page is pending: the server, on this thread, takes the request, and
        // a click on the making page runs its handler.
        QVERIFY(waitUntil([&] { return stallingServer.count(QStringLiteral("/60006/8012/")) == 1; }));
        QTest::mouseClick(viewer.shown.widget(badge.toggleButton), Qt::LeftButton);
        QVERIFY(viewer.shown.widget(badge.id)->isHidden());
        QCOMPARE(viewer.findLoad(lookup, 0), -1);
    } else {
        const qsizetype failed = viewer.waitForLoad(lookup, 0);
        QVERIFY(failed >= 0);
        QVERIFY(!viewer.loads.at(failed).ok);
        QCOMPARE(viewer.controls().address(QqShowViewer), lookup);
        // The engine's error page speaks Chinese.
        QString text;
        viewer.view->page()->toPlainText([&text](const QString& plain) { text = plain; });
        QVERIFY(waitUntil([&] { return !text.isEmpty(); }));
        QVERIFY2(text.contains(QStringLiteral("无法")), qPrintable(text));
    }
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestQqShow::saveQqShowAfterAFailedLoadWritesNothing_data()
{
    QTest::addColumn<bool>("listening"); // a server that answers 404; else nothing listens
    QTest::newRow("HTTP 404") << true;
    QTest::newRow("nothing listens") << false;
}

// The viewer shows the web engine's error page: "保存QQ秀" says the QQ Show did not load and asks for no file.
void TestQqShow::saveQqShowAfterAFailedLoadWritesNothing()
{
    QFETCH(bool, listening);
    testutil::Sandbox sandbox;
    testutil::PictureServer missing(testutil::PictureServer::Mode::Missing);
    Viewer viewer(listening ? missing.base() : closedPortBase());
    viewer.pages().setCurrentPage(1);
    QVERIFY(!viewer.lookUp(QStringLiteral("80008")));

    DialogAnswer answer(sandbox.file(QStringLiteral("qqshow")));
    QString message;
    testutil::answerMessageBox(&message);
    viewer.click(SaveQqShowButton);
    QVERIFY(waitUntil([&] { return !message.isEmpty(); }));
    QVERIFY2(message.contains(QStringLiteral("没有载入")) && message.contains(listening ? "404" : ""),
             qPrintable(message));
    QVERIFY(!answer.answered());
    QVERIFY(QDir(sandbox.path()).isEmpty());

    // A page that loads afterwards is saved again.
    if (listening) {
        qputenv("VORLITH_SHOW_SERVER", m_server.base().toUtf8());
        viewer.controls().setAddress(QqShowViewer, m_server.base() + QStringLiteral("80008/8012/"));
        QVERIFY(waitUntil([&] {
            return viewer.controls().loadFailure(QqShowViewer).isEmpty() && viewer.loads.size() > 1 &&
                   viewer.loads.constLast().ok;
        }));
        viewer.click(SaveQqShowButton);
        QVERIFY(answer.answered());
        QVERIFY(QFile::exists(sandbox.file(QStringLiteral("qqshow.png"))));
    }
}

void TestQqShow::saveQqShowWritesTheFrame_data()
{
    QTest::addColumn<bool>("seenBefore"); // the QQ Show page was shown while the page loaded
    QTest::addColumn<int>("page");        // the page shown at saving
    QTest::addColumn<bool>("covered");    // another window lies over the frame at saving
    QTest::newRow("QQ Show page") << true << 1 << false;
    QTest::newRow("QQ Show page, covered") << true << 1 << true;
    QTest::newRow("making page, after the QQ Show page") << true << 0 << false;
    QTest::newRow("making page, QQ Show page never shown") << false << 0 << false;
}

void TestQqShow::saveQqShowWritesTheFrame()
{
    QFETCH(bool, seenBefore);
    QFETCH(int, page);
    QFETCH(bool, covered);
    testutil::Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Viewer viewer(m_server.base());
    const QImage expected = expectedViewerFrame(m_server.picture());
    QWidget* frame = viewer.shown.widget(ViewerFrame);
    if (seenBefore)
        viewer.pages().setCurrentPage(1);
    QVERIFY(viewer.lookUp(QStringLiteral("70007")));
    if (seenBefore)
        QVERIFY(waitUntil([&] { return testutil::pixelDiff(frame->grab().toImage(), expected).isEmpty(); }));
    viewer.pages().setCurrentPage(page);

    QWidget cover;
    if (covered) {
        cover.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        cover.setStyleSheet(QStringLiteral("background: red"));
        cover.setGeometry(QRect(frame->mapToGlobal(QPoint(-20, -20)), frame->size() + QSize(40, 40)));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
    }

    DialogAnswer answer(sandbox.file(QStringLiteral("qqshow")));
    viewer.click(SaveQqShowButton);
    QVERIFY(answer.answered());
    const QString written = sandbox.file(QStringLiteral("qqshow.png"));
    QImageReader reader(written);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), QSize(152, 240));
    VERIFY_SAME_PIXELS(saved, expected);

    // Drawing the hidden page out of sight leaves the pages as they were.
    QCOMPARE(viewer.pages().tabBar()->currentIndex(), page);
    QCOMPARE(viewer.pages().page(1 - page)->isHidden(), true);
    QCOMPARE(viewer.pages().page(1 - page)->pos(), QPoint(0, 0));
    QCOMPARE(viewer.pages().page(page)->isVisible(), true);
}

QTEST_MAIN(TestQqShow)
#include "test_qq_show.moc"
