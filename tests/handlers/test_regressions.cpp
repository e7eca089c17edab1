// Inputs that once broke the decoders or the text helpers (the fuzzers' findings, kept in tests/data/fuzz/),
// and file-system situations a fuzzer cannot make: files that are not files, files the user may not read,
// a file rewritten while it is read, a folder that vanishes during a run, names that are not valid text.
#include "core/control_ids.h"
#include "core/text.h"
#include "handlers/batch.h"
#include "handlers/saving.h"
#include "material/composition.h"
#include "material/file_listing.h"
#include "material/picture_file.h"
#include "picture/limits.h"
#include "picture/pcx.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/memory_controls.h"
#include "testsupport/picture_bytes.h"

#include <QDirIterator>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstring>
#include <future>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace core::ids;

namespace {

// No picture with a reason, or a picture within the limits and no reason: never both, never neither.
QString inconsistency(const picture::DecodedPicture& d)
{
    if (d.image.isNull())
        return d.reason.isNone() ? QStringLiteral("no picture and no reason") : QString();
    if (!d.reason.isNone())
        return QStringLiteral("a picture and the refusal '%1'").arg(core::englishText(d.reason));
    if (!picture::withinPictureLimits(d.image.width(), d.image.height()))
        return QStringLiteral("a picture of %1 x %2").arg(d.image.width()).arg(d.image.height());
    return {};
}

QByteArray smallJpeg(QRgb colour)
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    return picturebytes::encode(image, "jpg");
}

// The message a user sees after choosing `path` with the upload button.
QString uploadMessage(const QString& path)
{
    testutil::MemoryControls controls;
    controls.dialogAnswers = {path};
    handlers::uploadPicture(controls);
    return controls.messages.isEmpty() ? QString() : controls.messages.last().text;
}

// Ticks the batch timer, each tick once the run has news, until the run ends.
void runToEnd(testutil::MemoryControls& controls, handlers::BatchHandlers& handlers)
{
    while (controls.interval(BatchTimer) != 0) {
        handlers.step(controls);
        handlers.waitForProgress(1000);
    }
}

// The report at the end of a batch run over a list holding only `name`.
QString batchReport(const QString& folder, const QString& name)
{
    testutil::MemoryControls controls;
    controls.setText(MaterialFolderBox, folder);
    controls.setText(OutputFolderBox, folder);
    controls.setText(FileList, name);
    controls.setInterval(BatchTimer, handlers::kBatchInterval);
    handlers::BatchHandlers handlers;
    runToEnd(controls, handlers);
    return controls.messages.isEmpty() ? QString() : controls.messages.last().text;
}

// Runs `work` on a thread; a FIFO that blocks it is given a writer that closes at once, so a reader that
// waits for one gets end of file and the test fails instead of hanging.
template <typename Work> auto withinSeconds(int seconds, const QString& fifo, Work work, bool& inTime)
{
    auto future = std::async(std::launch::async, work);
    inTime = future.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready;
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    return future.get();
}

// Writes `text` to a pipe from a child process that runs as the user nobody, and returns what came.
QString asNobody(const std::function<QString()>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        const QByteArray out = dropped ? work().toUtf8() : QByteArray("cannot become nobody");
        const bool written = ::write(fds[1], out.constData(), size_t(out.size())) == out.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        got.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return QString::fromUtf8(got);
}

} // namespace

class TestRegressions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFuzzFindings_data();
    void decodesFuzzFindings();
    void refusesWhatIsNoPictureFile_data();
    void refusesWhatIsNoPictureFile();
    void namesTheReasonForAFileTheUserMayNotRead();
    void survivesAFileRewrittenWhileRead();
    void skipsMaterialsOfAFolderThatVanished();
    void handlesANameThatIsNotValidText();
};

void TestRegressions::decodesFuzzFindings_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("bytes");
    QDirIterator it(testutil::dataPath(QStringLiteral("fuzz")), QDir::Files, QDirIterator::Subdirectories);
    bool any = false;
    for (; it.hasNext(); any = true) {
        const QString path = it.next();
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        const QString target = it.fileInfo().dir().dirName();
        QTest::newRow(qPrintable(target + QLatin1Char('/') + it.fileName())) << target << f.readAll();
    }
    if (!any)
        QTest::newRow("nothing kept") << QString() << QByteArray();
}

// The text findings read numbers: under the C locale, whatever the machine's is.
void TestRegressions::initTestCase()
{
    QVERIFY(std::setlocale(LC_NUMERIC, "C"));
}

// Every finding decodes to no picture or a valid one (under the sanitizers: without a report); a text
// finding goes through the helpers and the batch's line reading as fuzz_text drives them.
void TestRegressions::decodesFuzzFindings()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, bytes);
    if (target.isEmpty())
        QSKIP("the fuzzers have found nothing to keep");
    if (target == QLatin1String("fuzz_text")) {
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        const QString number = core::numberToText(core::textToNumber(text));
        QCOMPARE(core::numberToText(core::textToNumber(number)), number);
        QVERIFY(text.contains(core::trimSpaces(text)));
        testutil::MemoryControls controls;
        controls.setText(LineNumberBox, text.section(QLatin1Char('\n'), 0, 0));
        controls.setText(FileList, text.section(QLatin1Char('\n'), 1));
        handlers::BatchHandlers().readLine(controls);
        QCOMPARE(core::trimSpaces(controls.text(CurrentFileBox)), controls.text(CurrentFileBox));
        return;
    }
    if (target == QLatin1String("fuzz_pcx"))
        QCOMPARE(inconsistency(picture::decodePcx(bytes)), QString());
    QCOMPARE(inconsistency(picture::decodePicture(bytes, material::kPictureRect.size())), QString());
    QCOMPARE(inconsistency(picture::decodePicture(bytes)), QString());
}

// Things in the material folder that are no picture file: each is refused at once with a reason that the
// upload message and the batch's skip report pass on. A FIFO must not block the reader waiting for a writer,
// and a device must not be read up to the size bound.
void TestRegressions::refusesWhatIsNoPictureFile_data()
{
    using core::ReasonCode;
    QTest::addColumn<QString>("kind");
    QTest::addColumn<ReasonCode>("code");
    QTest::newRow("folder") << "folder" << ReasonCode::IsFolder;
    QTest::newRow("FIFO") << "fifo" << ReasonCode::NotRegularFile;
    QTest::newRow("character device") << "device" << ReasonCode::NotRegularFile;
    QTest::newRow("dangling link") << "dangling" << ReasonCode::FileMissing;
    QTest::newRow("symbolic link loop") << "loop" << ReasonCode::SymlinkLoop;
    QTest::newRow("sparse file past the size bound") << "huge" << ReasonCode::FileTooLarge;
}

void TestRegressions::refusesWhatIsNoPictureFile()
{
    QFETCH(QString, kind);
    QFETCH(core::ReasonCode, code);
    testutil::Sandbox sandbox;
    const QString name = QStringLiteral("material.jpg");
    const QString path = sandbox.file(name);
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
    else if (kind == QLatin1String("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(sandbox.file(QStringLiteral("gone.jpg")), path));
    else if (kind == QLatin1String("loop"))
        QVERIFY(QFile::link(path, path));
    else
        QVERIFY(sandbox.write(name, smallJpeg(qRgb(1, 2, 3))) &&
                ::truncate(native.constData(), off_t(picture::kMaxPictureFileBytes + 1)) == 0);

    bool inTime = false;
    const material::ReadResult read = withinSeconds(
        10, path, [&] { return material::readPictureFile(path); }, inTime);
    QVERIFY2(inTime, "reading blocked");
    QVERIFY(read.bytes.isEmpty());
    QCOMPARE(read.reason.code, code);
    // The window says it in Chinese, from the same reason.
    const QString reason = core::chineseText(read.reason);
    const QString report = withinSeconds(
        10, path, [&] { return batchReport(sandbox.path(), name); }, inTime);
    QVERIFY2(report.contains(name + QStringLiteral("：")) && report.contains(reason), qPrintable(report));
    const QString upload = withinSeconds(
        10, path, [&] { return uploadMessage(path); }, inTime);
    QVERIFY2(upload.contains(path) && upload.contains(reason), qPrintable(upload));
}

// Root reads any file whatever its permission bits, so as root the reading is done by a child process that
// has become the user nobody; the sandbox folder is opened up for it and the file closed to it.
void TestRegressions::namesTheReasonForAFileTheUserMayNotRead()
{
    testutil::Sandbox sandbox;
    const QString name = QStringLiteral("private.jpg");
    QVERIFY(sandbox.write(name, smallJpeg(qRgb(200, 10, 10))));
    QCOMPARE(::chmod(QFile::encodeName(sandbox.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(sandbox.file(name)).constData(), 0), 0);
    const QString path = sandbox.file(name);
    auto run = [](const std::function<QString()>& work) { return ::geteuid() == 0 ? asNobody(work) : work(); };
    const QString report = run([&] { return batchReport(sandbox.path(), name); });
    const QString denied = core::chineseText(core::ReasonCode::Permission);
    QVERIFY2(report.contains(name + QStringLiteral("：") + denied), qPrintable(report));
    const QString upload = run([&] { return uploadMessage(path); });
    QVERIFY2(upload.contains(path + QStringLiteral("：") + denied), qPrintable(upload));
}

// A writer replaces the file's contents in place, whole or cut short, while it is read and decoded again and
// again: every read gives bytes or a reason, every decoding is consistent, and once the writer has stopped
// the read gives what it last wrote.
void TestRegressions::survivesAFileRewrittenWhileRead()
{
    testutil::Sandbox sandbox;
    const QString path = sandbox.file(QStringLiteral("busy.jpg"));
    const QByteArray whole = picturebytes::encode(
        picturebytes::painted(300, 200, [](int x, int y) { return qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF); }), "jpg");
    QVERIFY(sandbox.write(QStringLiteral("busy.jpg"), whole));
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (qsizetype round = 0; !stop; ++round) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                continue;
            f.write(whole.left(round % 2 ? whole.size() : (round * 997) % whole.size()));
        }
    });
    int reads = 0;
    for (; reads < 300; ++reads) {
        const material::ReadResult read = material::readPictureFile(path);
        QVERIFY(read.bytes.size() <= whole.size());
        QCOMPARE(inconsistency(picture::decodePicture(read.bytes, material::kPictureRect.size())), QString());
    }
    stop = true;
    writer.join();
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(material::readPictureFile(path).bytes, f.readAll());
}

// The material folder is removed once it has been listed, while the output folder is chosen: the materials
// are skipped with a reason naming the folder, and the next run finds nothing to list.
void TestRegressions::skipsMaterialsOfAFolderThatVanished()
{
    testutil::Sandbox sandbox;
    const QString materials = sandbox.file(QStringLiteral("materials")) + QDir::separator();
    QVERIFY(QDir().mkpath(materials));
    QVERIFY(sandbox.write(QStringLiteral("materials/a.jpg"), smallJpeg(qRgb(0, 200, 0))));
    QVERIFY(sandbox.write(QStringLiteral("materials/b.jpg"), smallJpeg(qRgb(0, 0, 200))));
    testutil::MemoryControls controls;
    controls.setText(MaterialFolderBox, materials);
    controls.folderAnswers = {sandbox.path()};
    controls.whileModal = [&] { QVERIFY(QDir(materials).removeRecursively()); };
    handlers::BatchHandlers handlers;
    handlers.startRun(controls);
    controls.whileModal = {};
    QCOMPARE(controls.lineCount(FileList), 2);
    const QString second = controls.line(FileList, 1);
    runToEnd(controls, handlers);
    QVERIFY(!QFile::exists(sandbox.file(QStringLiteral("1.png"))));
    QVERIFY(!QFile::exists(sandbox.file(QStringLiteral("2.png"))));
    const QString report = controls.messages.value(0).text;
    const core::Reason gone(core::ReasonCode::FolderMissing, {QFileInfo(materials + second).absolutePath()});
    QVERIFY2(report.contains(second + QStringLiteral("：") + core::chineseText(gone)), qPrintable(report));

    handlers.startRun(controls);
    QCOMPARE(controls.messages.last().text, core::chineseText(core::MessageCode::NothingListed));
}

// A file whose name holds bytes that are not valid UTF-8 (0xFF 0xFE): the listing shows the bytes as \xHH
// and the run composes the file itself. The name as the toolkit decodes it (with U+FFFD, as a dialog would
// hand it over) names no file; it is refused with a reason about the name, not as a missing file.
void TestRegressions::handlesANameThatIsNotValidText()
{
    testutil::Sandbox sandbox, out;
    const QByteArray rawName("\xFF\xFEpicture.jpg");
    const QByteArray rawPath = QFile::encodeName(sandbox.path()) + rawName;
    const QByteArray jpeg = smallJpeg(qRgb(90, 90, 0));
    const int fd = ::open(rawPath.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    const auto removeRaw = qScopeGuard([&] { ::unlink(rawPath.constData()); });
    QCOMPARE(::write(fd, jpeg.constData(), size_t(jpeg.size())), ssize_t(jpeg.size()));
    ::close(fd);

    testutil::MemoryControls controls;
    controls.setText(MaterialFolderBox, sandbox.path());
    controls.folderAnswers = {out.path()};
    handlers::BatchHandlers handlers;
    handlers.startRun(controls);
    QCOMPARE(controls.text(FileList), QStringLiteral("\\xFF\\xFEpicture.jpg"));
    runToEnd(controls, handlers);
    QVERIFY(controls.messages.isEmpty());
    QVERIFY(!QImage(out.file(QStringLiteral("1.png"))).isNull());

    const QString name = QFile::decodeName(rawName);
    QVERIFY(name.contains(QChar::ReplacementCharacter));
    const material::ReadResult read = material::readPictureFile(sandbox.file(name));
    QCOMPARE(read.reason.code, core::ReasonCode::NameNotEncodable);
    const QString report = batchReport(sandbox.path(), name);
    const QString reason = core::chineseText(read.reason);
    QVERIFY2(report.contains(name + QStringLiteral("：") + reason), qPrintable(report));
    QVERIFY(uploadMessage(sandbox.file(name)).contains(reason));
}

QTEST_GUILESS_MAIN(TestRegressions)
#include "test_regressions.moc"
