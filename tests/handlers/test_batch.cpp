// The batch handlers over plain-value controls and real folders: listing, folder choices, the run on the
// batch engine's workers with the timer showing it, its report and its stops.
#include "handlers/batch.h"
#include "material/composition.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/memory_controls.h"
#include "testsupport/photo_jpeg.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QtTest>

using namespace core::ids;
using testutil::MemoryControls;

namespace {

const QString kPrompt = core::chineseText(core::MessageCode::BrowsePrompt);
const QString kTitle = core::chineseText(core::MessageCode::BatchTitle);
const QString kNothingListed = core::chineseText(core::MessageCode::NothingListed);

// One window's worth of batch: a material folder, an output folder, the controls and the handlers, which
// compose on two workers.
struct BatchRig {
    testutil::Sandbox materials;
    testutil::Sandbox outputs;
    MemoryControls controls;
    handlers::BatchHandlers handlers{2};

    BatchRig()
    {
        controls.setText(MaterialFolderBox, materials.path());
        controls.setText(OutputFolderBox, QStringLiteral("/default/out/"));
        QDir(outputs.path()).mkdir("out");
    }
    QString outFolder() const { return outputs.path() + QStringLiteral("out"); }
    QString outFile(int n) const { return outFolder() + QStringLiteral("/%1.png").arg(n); }

    QByteArray addMaterial(const QString& name, quint32 seed)
    {
        const QByteArray bytes = testutil::makePhotoJpeg({120 + static_cast<int>(seed) * 8, 200}, seed);
        materials.write(name, bytes);
        return bytes;
    }

    void start()
    {
        controls.folderAnswers = {outFolder()};
        handlers.startRun(controls);
    }

    // Ticks the timer, each tick once the run has news, until the run ends; false if it never does.
    bool runToEnd()
    {
        const QDeadlineTimer deadline(60000);
        while (controls.interval(BatchTimer) != 0 && !deadline.hasExpired()) {
            handlers.step(controls);
            handlers.waitForProgress(1000);
        }
        return controls.interval(BatchTimer) == 0;
    }

    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < controls.lineCount(FileList); ++i)
            names.append(controls.line(FileList, i));
        return names;
    }

    QStringList written() const
    {
        return QDir(outFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    // The frame the window would show for this material under the test badges, rendered here on its own.
    QImage expectedFrame(const QByteArray& material) const
    {
        material::Composition c = controls.composition();
        c.picture = picture::decodePicture(material, material::kPictureRect.size()).image;
        return material::renderComposition(c);
    }
};

} // namespace

class TestBatch : public QObject {
    Q_OBJECT

private slots:
    void runWritesOnePicturePerMaterial();
    void chooseMaterialFolder_data();
    void chooseMaterialFolder();
    void nothingToRun_data();
    void nothingToRun();
    void cancelledOutputChoiceStartsNothing();
    void namesWithSpacesAreComposed();
    void outputFolderChecks_data();
    void outputFolderChecks();
    void chineseAndLongNames();
    void unreadableMaterialIsSkipped_data();
    void unreadableMaterialIsSkipped();
    void materialCutShortIsSavedAndListed();
    void failedWriteStopsTheRun_data();
    void failedWriteStopsTheRun();
    void saveToDuringRunOffersToStop_data();
    void saveToDuringRunOffersToStop();
    void runEndingWhileTheQuestionIsOpen();
    void readLineAndPreview_data();
    void readLineAndPreview();
};

void TestBatch::runWritesOnePicturePerMaterial()
{
    BatchRig b;
    QHash<QString, QByteArray> bytes{{"a.jpg", b.addMaterial("a.jpg", 1)}, {"b.jpg", b.addMaterial("b.jpg", 2)}};
    b.materials.write("c.gif", "GIF89a");

    for (int run = 0; run < 2; ++run) {
        b.controls.statuses.clear();
        // The second run finds the first run's pictures: it asks once, and Yes replaces them.
        b.controls.yesNoAnswers = {true};
        b.start();
        QCOMPARE(b.controls.questions.size(), run);
        if (run == 1)
            QCOMPARE(b.controls.questions[0].text, QStringLiteral("2 个文件已存在，替换？"));
        QCOMPARE(b.controls.interval(BatchTimer), handlers::kBatchInterval);
        QCOMPARE(b.controls.text(OutputFolderBox), b.outFolder() + QDir::separator());
        const QStringList names = b.listed();
        QCOMPARE(QSet<QString>(names.begin(), names.end()), (QSet<QString>{"a.jpg", "b.jpg"}));
        QCOMPARE(b.controls.text(FileList), names.join("\r\n"));

        QVERIFY(b.runToEnd());
        for (int n = 1; n <= 2; ++n) {
            const QImage saved(b.outFile(n), "PNG");
            QVERIFY2(!saved.isNull(), qPrintable(b.outFile(n)));
            VERIFY_SAME_PIXELS(saved, b.expectedFrame(bytes.value(names[n - 1])));
        }
        QCOMPARE(b.written(), (QStringList{"1.png", "2.png"}));
        QVERIFY(!b.controls.hasPicture(CompositionPicture));
        QCOMPARE(b.controls.text(LineNumberBox), QStringLiteral("1"));
        QCOMPARE(b.controls.text(CurrentFileBox), QString());
        QCOMPARE(b.controls.interval(BatchTimer), 0);
        QVERIFY(b.controls.messages.isEmpty());
        QCOMPARE(b.controls.statuses.first(), QStringLiteral("0/2"));
        QCOMPARE(b.controls.statuses.last(), QStringLiteral("完成：已保存 2 张图片"));
    }
}

void TestBatch::chooseMaterialFolder_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << "/home/u/pics"
                            << "/home/u/pics/";
    QTest::newRow("folder given with its separator") << "/home/u/pics/"
                                                     << "/home/u/pics/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("cancel keeps the folder") << ""
                                             << "/before/";
}

void TestBatch::chooseMaterialFolder()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    MemoryControls controls;
    controls.setText(MaterialFolderBox, QStringLiteral("/before/"));
    controls.folderAnswers = {answer};
    handlers::BatchHandlers().chooseMaterialFolder(controls);
    QCOMPARE(controls.browsePrompts, QStringList{kPrompt});
    QCOMPARE(controls.text(MaterialFolderBox), expected);
}

void TestBatch::nothingToRun_data()
{
    QTest::addColumn<QString>("folderForm");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("format");
    QTest::newRow("empty folder") << "chosen" << QStringList() << "JPG";
    QTest::newRow("wrong format") << "chosen" << QStringList{"a.jpg", "b.JPG"} << "GIF";
    QTest::newRow("only a folder named like a material") << "chosen" << QStringList{"x.jpg/"} << "JPG";
    QTest::newRow("missing folder") << "missing" << QStringList() << "JPG";
    QTest::newRow("no folder chosen") << "none" << QStringList{"a.jpg"} << "JPG";
}

void TestBatch::nothingToRun()
{
    QFETCH(QString, folderForm);
    QFETCH(QStringList, files);
    QFETCH(QString, format);
    BatchRig b;
    for (const QString& name : files) {
        if (name.endsWith('/'))
            QVERIFY(QDir(b.materials.path()).mkdir(name.chopped(1)));
        else
            b.addMaterial(name, 1);
    }
    if (folderForm == QLatin1String("missing"))
        b.controls.setText(MaterialFolderBox, b.materials.path() + QStringLiteral("gone/"));
    else if (folderForm == QLatin1String("none"))
        b.controls.setText(MaterialFolderBox, QString());
    b.controls.setText(MaterialFormatBox, format);
    // With no folder chosen, the current folder holds a material: it is still not searched.
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(b.materials.path()));
    b.start();
    QDir::setCurrent(saved);

    QCOMPARE(b.controls.messages.size(), 1);
    QCOMPARE(b.controls.messages[0].title, kTitle);
    QCOMPARE(b.controls.messages[0].text, kNothingListed);
    QVERIFY(b.controls.browsePrompts.isEmpty());
    QCOMPARE(b.controls.text(OutputFolderBox), QStringLiteral("/default/out/"));
    QCOMPARE(b.controls.interval(BatchTimer), 0);
    QCOMPARE(b.controls.text(FileList), QString());
}

void TestBatch::cancelledOutputChoiceStartsNothing()
{
    BatchRig b;
    b.addMaterial("a.jpg", 1);
    b.handlers.startRun(b.controls); // no scripted answer: the browser is cancelled
    QCOMPARE(b.controls.browsePrompts, QStringList{kPrompt});
    QCOMPARE(b.controls.interval(BatchTimer), 0);
    QCOMPARE(b.controls.text(OutputFolderBox), QStringLiteral("/default/out/"));
    QVERIFY(b.controls.messages.isEmpty());
    b.handlers.step(b.controls); // a stray tick does nothing either
    QVERIFY(b.written().isEmpty());
    QCOMPARE(b.controls.text(LineNumberBox), QStringLiteral("1"));
}

// The listing's own lines are composed as listed: a name that begins or ends in spaces is that file's name.
void TestBatch::namesWithSpacesAreComposed()
{
    BatchRig b;
    QHash<QString, QByteArray> bytes;
    quint32 seed = 3;
    for (const QString& name : {QStringLiteral(" a.jpg"),
                                QStringLiteral("a.jpg"),
                                QStringLiteral("\u3000b.jpg"),
                                QStringLiteral("d.jpg "),
                                QStringLiteral("e.jpg\u3000")})
        bytes.insert(name, b.addMaterial(name, seed++));
    b.controls.setText(MaterialFormatBox, "jpg*");
    b.start();
    const QStringList names = b.listed();
    QCOMPARE(names.size(), 5);
    QVERIFY(b.runToEnd());

    QCOMPARE(b.written().size(), 5);
    for (int n = 1; n <= 5; ++n)
        VERIFY_SAME_PIXELS(QImage(b.outFile(n), "PNG"), b.expectedFrame(bytes.value(names[n - 1])));
    QVERIFY(b.controls.messages.isEmpty());
}

// Before anything is written: outputs that are the materials themselves, or folders, refuse the output
// folder; existing outputs are replaced only when the user says Yes to one question. A refusal or a No
// leaves every file as it was and starts nothing.
void TestBatch::outputFolderChecks_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("starts");
    QTest::newRow("output folder is the material folder") << "materials" << true << false << false;
    QTest::newRow("a folder under an output name") << "folder" << true << false << false;
    QTest::newRow("existing outputs, No") << "existing" << false << true << false;
    QTest::newRow("existing outputs, Yes") << "existing" << true << true << true;
}

void TestBatch::outputFolderChecks()
{
    QFETCH(QString, case_);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, starts);
    BatchRig b;
    for (quint32 i = 1; i <= 3; ++i)
        b.addMaterial(QStringLiteral("%1.png").arg(i), i);
    b.controls.setText(MaterialFormatBox, "png");
    QString output = b.outFolder();
    if (case_ == QLatin1String("materials"))
        output = b.materials.path();
    else if (case_ == QLatin1String("folder"))
        QVERIFY(QDir(output).mkdir("2.png"));
    else
        QVERIFY(b.outputs.write("out/1.png", "earlier") && b.outputs.write("out/3.png", "earlier"));
    const auto snapshot = [](const QString& folder) {
        QStringList state;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
            QFile file(f.filePath());
            state.append(f.fileName() + (file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : "/"));
        }
        return state;
    };
    const QStringList before = snapshot(output), materialsBefore = snapshot(b.materials.path());

    b.controls.folderAnswers = {output};
    b.controls.yesNoAnswers = {answer};
    b.handlers.startRun(b.controls);
    QCOMPARE(b.controls.questions.size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(b.controls.questions[0].text, QStringLiteral("2 个文件已存在，替换？"));
    QCOMPARE(b.controls.messages.size(), asked ? 0 : 1);
    if (!asked)
        QVERIFY2(b.controls.messages[0].text.contains(QDir(output).filePath(case_ == "folder" ? "2.png" : "1.png")),
                 qPrintable(b.controls.messages[0].text));
    QCOMPARE(b.controls.interval(BatchTimer), starts ? handlers::kBatchInterval : 0);
    QVERIFY(b.runToEnd());
    QCOMPARE(snapshot(b.materials.path()), materialsBefore);
    if (!starts) {
        QCOMPARE(snapshot(output), before);
        QCOMPARE(b.controls.text(OutputFolderBox), QStringLiteral("/default/out/"));
    } else {
        QCOMPARE(b.written(), (QStringList{"1.png", "2.png", "3.png"}));
        QVERIFY(!QImage(b.outFile(1), "PNG").isNull());
    }
}

void TestBatch::chineseAndLongNames()
{
    BatchRig b;
    const QString longName = QString(82, QChar(0x56FE)) + QStringLiteral(".jpg");
    QCOMPARE(QFile::encodeName(longName).size(), 250);
    QHash<QString, QByteArray> bytes{{QStringLiteral("素材一.jpg"), b.addMaterial(QStringLiteral("素材一.jpg"), 5)},
                                     {longName, b.addMaterial(longName, 6)}};
    b.start();
    const QStringList names = b.listed();
    QCOMPARE(names.size(), 2);
    QVERIFY(b.runToEnd());
    QCOMPARE(b.written().size(), 2);
    for (int n = 1; n <= 2; ++n)
        VERIFY_SAME_PIXELS(QImage(b.outFile(n), "PNG"), b.expectedFrame(bytes.value(names[n - 1])));
    QVERIFY(b.controls.messages.isEmpty());
}

void TestBatch::unreadableMaterialIsSkipped_data()
{
    QTest::addColumn<QByteArray>("corrupt");
    QTest::newRow("not a picture") << QByteArray("just some text, not a picture");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("JPEG cut inside its header") << testutil::makePhotoJpeg({64, 64}, 9).left(12);
}

void TestBatch::unreadableMaterialIsSkipped()
{
    QFETCH(QByteArray, corrupt);
    BatchRig b;
    const QByteArray a = b.addMaterial("a.jpg", 1);
    b.materials.write("b.jpg", corrupt);
    const QByteArray c = b.addMaterial("c.jpg", 2);
    b.start();
    QCOMPARE(b.controls.text(FileList), QStringLiteral("a.jpg\r\nb.jpg\r\nc.jpg"));
    QVERIFY(b.runToEnd());

    QCOMPARE(b.written(), (QStringList{"1.png", "3.png"}));
    VERIFY_SAME_PIXELS(QImage(b.outFile(1), "PNG"), b.expectedFrame(a));
    VERIFY_SAME_PIXELS(QImage(b.outFile(3), "PNG"), b.expectedFrame(c));
    QCOMPARE(b.controls.messages.size(), 1);
    const QString report = b.controls.messages[0].text;
    QVERIFY2(report.contains(QStringLiteral("已保存 2 张")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("b.jpg：")), qPrintable(report));
    QVERIFY2(!report.contains(QStringLiteral("a.jpg")) && !report.contains(QStringLiteral("c.jpg")),
             qPrintable(report));
}

// A BMP cut short is saved, its missing rows grey, and the end-of-run report names it.
void TestBatch::materialCutShortIsSavedAndListed()
{
    BatchRig b;
    b.addMaterial("a.jpg", 1);
    QImage picture(140, 226, QImage::Format_RGB32);
    picture.fill(qRgb(10, 90, 200));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
    b.materials.write("b.jpg", bmp.left(bmp.size() / 2));
    b.start();
    QVERIFY(b.runToEnd());

    QCOMPARE(b.written(), (QStringList{"1.png", "2.png"}));
    QCOMPARE(QImage(b.outFile(2), "PNG").pixel(76, 100), picture::kMissingDataColour);
    QCOMPARE(b.controls.messages.size(), 1);
    const QString report = b.controls.messages[0].text;
    const QString warning = core::chineseText({core::ReasonCode::Truncated, {QStringLiteral("BMP")}});
    QVERIFY2(report.contains(QStringLiteral("b.jpg：") + warning), qPrintable(report));
    QVERIFY2(!report.contains(QStringLiteral("a.jpg")), qPrintable(report));
}

void TestBatch::failedWriteStopsTheRun_data()
{
    QTest::addColumn<QString>("sabotage");
    QTest::newRow("output folder removed") << "remove";
    QTest::newRow("output folder replaced by a file") << "file";
}

// The output folder goes away once it has been chosen and checked: the first write fails, and no output
// folder can take the next, so the run stops there.
void TestBatch::failedWriteStopsTheRun()
{
    QFETCH(QString, sabotage);
    BatchRig b;
    for (quint32 i = 0; i < 3; ++i)
        b.addMaterial(QStringLiteral("m%1.jpg").arg(i), i + 1);
    b.controls.whileModal = [&] {
        QVERIFY(QDir(b.outFolder()).removeRecursively());
        if (sabotage == QLatin1String("file"))
            QVERIFY(b.outputs.write("out", "not a folder"));
    };
    b.start();
    b.controls.whileModal = {};
    QVERIFY(b.runToEnd());

    QCOMPARE(b.controls.text(LineNumberBox), QStringLiteral("1"));
    QVERIFY(!b.controls.hasPicture(CompositionPicture));
    QCOMPARE(b.controls.messages.size(), 1);
    const QString report = b.controls.messages[0].text;
    QVERIFY2(report.contains(b.outFile(1)), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("已保存 0 张")), qPrintable(report));
    QCOMPARE(b.controls.statuses.last(), QStringLiteral("出错停止：已保存 0 张图片"));
    QVERIFY(!QFileInfo(b.outFolder()).isDir());

    b.handlers.step(b.controls); // the run is over: a late tick writes nothing
    QCOMPARE(b.controls.messages.size(), 1);
    QCOMPARE(b.controls.text(LineNumberBox), QStringLiteral("1"));
}

void TestBatch::saveToDuringRunOffersToStop_data()
{
    QTest::addColumn<bool>("stop");
    QTest::newRow("yes stops the run") << true;
    QTest::newRow("no lets it go on") << false;
}

// Asked at material 5 of 200 on two workers: while the question is open no material is taken, so Yes ends
// the run with at most one more picture per worker than were there when it was asked; No finishes all 200.
void TestBatch::saveToDuringRunOffersToStop()
{
    QFETCH(bool, stop);
    BatchRig b;
    const QByteArray jpeg = testutil::makePhotoJpeg({640, 1024}, 7);
    for (int i = 0; i < 200; ++i)
        QVERIFY(b.materials.write(QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0')), jpeg));
    b.start();
    const QString list = b.controls.text(FileList);
    while (b.written().size() < 5 && b.controls.interval(BatchTimer) != 0) {
        b.handlers.step(b.controls);
        b.handlers.waitForProgress(1000);
    }
    b.addMaterial("late.jpg", 7); // a listing now would find it

    // While the question is open, the pictures in progress come (two at most) and nothing after them: the
    // wait gives a run that went on the time to show it, and ends early only if it does.
    qsizetype atQuestion = -1;
    b.controls.whileModal = [&] {
        atQuestion = b.written().size();
        QVERIFY(!QTest::qWaitFor([&] { return b.written().size() > atQuestion + 2; }, 500));
    };
    b.controls.yesNoAnswers = {stop};
    b.handlers.startRun(b.controls);
    QCOMPARE(b.controls.questions.size(), 1);
    QCOMPARE(b.controls.questions[0].text, QStringLiteral("批量制作正在进行。要停止吗？"));
    QCOMPARE(b.controls.browsePrompts.size(), 1); // only the start's output choice
    QCOMPARE(b.controls.text(FileList), list);
    QVERIFY(atQuestion >= 5);
    if (stop) {
        QCOMPARE(b.controls.interval(BatchTimer), 0);
        QCOMPARE(b.controls.text(LineNumberBox), QStringLiteral("1"));
        QVERIFY(!b.controls.hasPicture(CompositionPicture));
        QVERIFY2(b.written().size() <= atQuestion + 2, qPrintable(QString::number(b.written().size())));
        QVERIFY(b.controls.statuses.last().startsWith(QStringLiteral("已停止：")));
        QVERIFY(b.controls.messages.isEmpty());
    } else {
        QCOMPARE(b.controls.interval(BatchTimer), handlers::kBatchInterval);
        QVERIFY(b.runToEnd());
        QCOMPARE(b.written().size(), 200);
        QCOMPARE(b.controls.statuses.last(), QStringLiteral("完成：已保存 200 张图片"));
    }
    for (const QString& name : b.written())
        QCOMPARE(QImage(b.outFolder() + QLatin1Char('/') + name, "PNG").size(), QSize(152, 240));
}

// The timer ticks on under the question; when the run has ended by the time the user answers, the answer
// has nothing left to stop.
void TestBatch::runEndingWhileTheQuestionIsOpen()
{
    BatchRig b;
    b.addMaterial("a.jpg", 1);
    b.addMaterial("b.jpg", 2);
    b.start();
    QTRY_COMPARE(b.written().size(), 2);
    b.controls.whileModal = [&b] { QVERIFY(b.runToEnd()); };
    b.controls.yesNoAnswers = {true};
    b.handlers.startRun(b.controls);

    QCOMPARE(b.written(), (QStringList{"1.png", "2.png"}));
    QCOMPARE(b.controls.interval(BatchTimer), 0);
    QVERIFY(b.controls.messages.isEmpty());
    QCOMPARE(b.controls.statuses.filter(QStringLiteral("已停止")).size(), 0);
}

void TestBatch::readLineAndPreview_data()
{
    QTest::addColumn<QString>("lineNumber");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("shown");
    const QString longLine = QString(1200, QChar(0x5F88)) + QStringLiteral(".jpg");
    QTest::newRow("first line") << "1"
                                << "a.jpg" << true;
    QTest::newRow("full-width number, trimmed line") << QStringLiteral("２") << "b.jpg" << true;
    QTest::newRow("fraction truncated") << "2.9"
                                        << "b.jpg" << true;
    QTest::newRow("a logical line read whole") << "3" << longLine << false;
    QTest::newRow("line zero") << "0"
                               << "" << false;
    QTest::newRow("negative") << "-1"
                              << "" << false;
    QTest::newRow("past the end") << "4"
                                  << "" << false;
    QTest::newRow("no number") << "abc"
                               << "" << false;
}

void TestBatch::readLineAndPreview()
{
    QFETCH(QString, lineNumber);
    QFETCH(QString, expected);
    QFETCH(bool, shown);
    BatchRig b;
    b.addMaterial("a.jpg", 1);
    const QByteArray bBytes = b.addMaterial("b.jpg", 2);
    const QString longLine = QString(1200, QChar(0x5F88)) + QStringLiteral(".jpg");
    b.controls.setText(FileList, QStringLiteral("a.jpg\r\n\u3000b.jpg  \r\n") + longLine);
    b.controls.setText(LineNumberBox, lineNumber);
    QVERIFY(b.controls.setPicture(CompositionPicture, bBytes).isNone()); // something to replace or clear

    b.handlers.readLine(b.controls);
    QCOMPARE(b.controls.text(CurrentFileBox), expected);
    QCOMPARE(b.controls.text(LineNumberBox), lineNumber);
    b.handlers.previewCurrentFile(b.controls);
    QCOMPARE(b.controls.hasPicture(CompositionPicture), shown);
    QCOMPARE(b.controls.interval(BatchTimer), 0);
    QVERIFY(b.written().isEmpty());
    QVERIFY(b.controls.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
