// vorlith-batch as a user runs it: the real binary on real folders. Exit statuses, skip reports, refusal to
// overwrite, dry runs, layout files, bad options, a large folder on two workers and Ctrl-C.
#include "cli/cli_process.h"
#include "core/badges.h"
#include "material/badge_layout.h"
#include "test_utils.h"
#include "testsupport/photo_jpeg.h"

#include <QColor>
#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QTest>

#include <csignal>

namespace {

QColor materialColour(int i)
{
    return QColor::fromHsv((i * 47) % 360, 200, 210);
}

// A flat-coloured JPEG material; flat colour survives JPEG within a few levels.
QByteArray flatJpeg(QColor colour, QSize size = {70, 113})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return testutil::encodeJpeg(image);
}

bool near(QRgb a, QColor b, int tolerance = 6)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

// "name -> path" lines of a dry run.
QHash<QString, QString> plannedOutputs(const QString& out)
{
    QHash<QString, QString> map;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const qsizetype arrow = line.indexOf(QStringLiteral(" -> "));
        if (arrow > 0 && !line.contains(QStringLiteral("skipped")))
            map.insert(line.left(arrow), line.mid(arrow + 4));
    }
    return map;
}

// Every file of the folder, which must all be complete 152 x 240 PNG pictures; false on a stray or broken one.
bool allComplete(const QString& folder, int* count)
{
    *count = 0;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QImageReader reader(folder + name, "png");
        const QImage image = reader.read();
        if (!name.endsWith(QLatin1String(".png")) || image.size() != QSize(152, 240))
            return false;
        ++*count;
    }
    return true;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void badOptionsGiveTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString in = QStringLiteral("@IN@");
        const QString out = QStringLiteral("@OUT@");
        auto row = [&](const char* name, QStringList extra, const char* message) {
            QTest::newRow(name) << (QStringList{QStringLiteral("--input"), in, QStringLiteral("--output"), out} + extra)
                                << QString::fromUtf8(message);
        };
        row("unknown option", {QStringLiteral("--colour")}, "unknown option --colour");
        row("stray argument", {QStringLiteral("extra")}, "unexpected argument \"extra\"");
        row("jobs zero", {QStringLiteral("--jobs"), QStringLiteral("0")}, "--jobs 0");
        row("jobs word", {QStringLiteral("--jobs=many")}, "--jobs many");
        row("start negative", {QStringLiteral("--start"), QStringLiteral("-1")}, "--start -1");
        row("value missing", {QStringLiteral("--start")}, "--start needs a value");
        row("flag with value", {QStringLiteral("--overwrite=yes")}, "--overwrite takes no value");
        row("hide unknown", {QStringLiteral("--hide"), QStringLiteral("会员Lv8")}, "no badge is named \"会员Lv8\"");
        row("move without offset", {QStringLiteral("--move"), QStringLiteral("QQ图书")}, "expected NAME=DX,DY");
        row("move unknown", {QStringLiteral("--move"), QStringLiteral("书=1,1")}, "no badge is named \"书\"");
        row("layout missing",
            {QStringLiteral("--layout"), QStringLiteral("/nonexistent/a.layout")},
            "--layout: cannot open");
        row("layout bad line",
            {QStringLiteral("--layout"), QStringLiteral("@BADLAYOUT@")},
            "line 2: visible must be 0 or 1");
        row("no matching file", {QStringLiteral("--format"), QStringLiteral("gif")}, "no file in");
        QTest::newRow("no input") << QStringList{QStringLiteral("--output"), out}
                                  << QStringLiteral("--input DIR is required");
        QTest::newRow("input missing") << QStringList{QStringLiteral("--input"),
                                                      QStringLiteral("/nonexistent/x"),
                                                      QStringLiteral("--output"),
                                                      out}
                                       << QStringLiteral("does not exist");
        QTest::newRow("output is a file")
            << QStringList{QStringLiteral("--input"), in, QStringLiteral("--output"), QStringLiteral("@IN@a.jpg")}
            << QStringLiteral("is not a folder");
    }

    void badOptionsGiveTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        testutil::Sandbox in;
        testutil::Sandbox out;
        QVERIFY(in.write(QStringLiteral("a.jpg"), flatJpeg(Qt::red)));
        QVERIFY(in.write(QStringLiteral("bad.layout"), "QQ图书 1 3 40\nQQ钻皇 2 0 0\n"));
        for (QString& a : arguments) {
            a.replace(QStringLiteral("@BADLAYOUT@"), in.file(QStringLiteral("bad.layout")));
            a.replace(QStringLiteral("@IN@"), in.path());
            a.replace(QStringLiteral("@OUT@"), out.path());
        }
        const testutil::ToolRun run = testutil::runBatchTool(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(QDir(out.path()).isEmpty());
    }

    void helpAndVersion()
    {
        const testutil::ToolRun help = testutil::runBatchTool({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        for (const char* option : {"--input",
                                   "--format",
                                   "--output",
                                   "--hide",
                                   "--move",
                                   "--layout",
                                   "--start",
                                   "--jobs",
                                   "--overwrite",
                                   "--dry-run",
                                   "Examples:",
                                   "所有年字"})
            QVERIFY2(help.out.contains(QString::fromUtf8(option)), option);
        const testutil::ToolRun version = testutil::runBatchTool({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("vorlith-batch ")));
    }

    // Every material becomes the file the dry run named, with that material's picture in it; the dry run
    // writes nothing, not even the output folder.
    void dryRunThenRun()
    {
        testutil::Sandbox in;
        testutil::Sandbox root;
        const QString out = root.file(QStringLiteral("made/here"));
        // Created in an order unlike name order; numbered in name order, numbers by value, case ignored.
        const QStringList names{"m10.JPG", "M9.jpg", "m2.JPG", "m1.jpg", "M0.JPG", "m11.jpg"};
        const QStringList inNameOrder{"M0.JPG", "m1.jpg", "m2.JPG", "M9.jpg", "m10.JPG", "m11.jpg"};
        const int count = 6;
        for (int i = 0; i < count; ++i)
            QVERIFY(in.write(names[i], flatJpeg(materialColour(i))));
        QVERIFY(in.write(QStringLiteral("skip.gif"), flatJpeg(Qt::black)));
        const QStringList args{QStringLiteral("--input"),
                               in.path(),
                               QStringLiteral("--output"),
                               out,
                               QStringLiteral("--format"),
                               QStringLiteral("jpg"),
                               QStringLiteral("--start"),
                               QStringLiteral("10")};

        const testutil::ToolRun dry = testutil::runBatchTool(args + QStringList{QStringLiteral("--dry-run")});
        QCOMPARE(dry.exitCode, 0);
        QVERIFY(!QFileInfo::exists(out));
        const QHash<QString, QString> planned = plannedOutputs(dry.out);
        QCOMPARE(planned.size(), count);
        for (int n = 0; n < count; ++n)
            QCOMPARE(QFileInfo(planned.value(inNameOrder[n])).fileName(), QStringLiteral("%1.png").arg(10 + n));

        const testutil::ToolRun run = testutil::runBatchTool(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("wrote 6 of 6")));
        for (int i = 0; i < count; ++i) {
            const QImage image(planned.value(names[i]));
            QCOMPARE(image.size(), QSize(152, 240));
            // Middle of the picture box, below every badge; the corner is the black frame.
            QVERIFY2(near(image.pixel(76, 200), materialColour(i)), qPrintable(QString::number(i)));
            QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, 0u);
        }
    }

    void skippedMaterialsAreReported()
    {
        testutil::Sandbox in;
        testutil::Sandbox out;
        QVERIFY(in.write(QStringLiteral("good.jpg"), flatJpeg(Qt::green)));
        QVERIFY(in.write(QStringLiteral("text.jpg"), "this is no picture at all"));
        QVERIFY(in.write(QStringLiteral("empty.jpg"), {}));
        QByteArray cut = testutil::makePhotoJpeg({64, 64}, 3).left(40);
        QVERIFY(in.write(QStringLiteral("cut.jpg"), cut));
        const QStringList args{QStringLiteral("--input"), in.path(), QStringLiteral("--output"), out.path()};

        const testutil::ToolRun dry = testutil::runBatchTool(args + QStringList{QStringLiteral("--dry-run")});
        QCOMPARE(dry.exitCode, 1);
        QVERIFY2(dry.out.contains(QStringLiteral("text.jpg -> skipped")), qPrintable(dry.out));
        QVERIFY(dry.out.contains(QStringLiteral("empty.jpg -> skipped: the file is empty")));

        const testutil::ToolRun run = testutil::runBatchTool(args);
        QCOMPARE(run.exitCode, 1);
        for (const char* name : {"skipped text.jpg: ", "skipped empty.jpg: the file is empty", "skipped cut.jpg: "})
            QVERIFY2(run.err.contains(QString::fromUtf8(name)), qPrintable(run.err));
        QVERIFY(!run.err.contains(QStringLiteral("good.jpg")));
        QVERIFY(run.out.contains(QStringLiteral("wrote 1 of 4")));
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, 1);
    }

    void refusesToOverwrite()
    {
        testutil::Sandbox in;
        testutil::Sandbox out;
        for (int i = 0; i < 3; ++i)
            QVERIFY(in.write(QStringLiteral("%1.jpg").arg(i), flatJpeg(materialColour(i))));
        QVERIFY(out.write(QStringLiteral("2.png"), "keep me"));
        const QStringList args{QStringLiteral("--input"), in.path(), QStringLiteral("--output"), out.path()};

        const testutil::ToolRun refused = testutil::runBatchTool(args);
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains(out.file(QStringLiteral("2.png"))), qPrintable(refused.err));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("2.png")});
        QFile kept(out.file(QStringLiteral("2.png")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
        kept.close();

        const testutil::ToolRun replaced = testutil::runBatchTool(args + QStringList{QStringLiteral("--overwrite")});
        QCOMPARE(replaced.exitCode, 0);
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, 3);
    }

    // Materials that are PNG files named like the outputs, in the output folder itself: writing 1.png would
    // destroy a material before it is read, so this is refused even with --overwrite.
    void neverReplacesItsOwnMaterials()
    {
        testutil::Sandbox dir;
        QImage picture(20, 30, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(dir.file(QStringLiteral("1.png"))));
        QVERIFY(picture.save(dir.file(QStringLiteral("x.png"))));
        const testutil::ToolRun run = testutil::runBatchTool({QStringLiteral("--input"),
                                                              dir.path(),
                                                              QStringLiteral("--output"),
                                                              dir.path(),
                                                              QStringLiteral("--format"),
                                                              QStringLiteral("png"),
                                                              QStringLiteral("--overwrite")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("one of the materials")), qPrintable(run.err));
        QCOMPARE(QImage(dir.file(QStringLiteral("1.png"))).size(), QSize(20, 30));
    }

    // The same layout given as a file and as options gives the same bytes; hiding every badge leaves the
    // picture alone inside the black frame.
    void layoutFileAndOptionsAgree()
    {
        testutil::Sandbox in;
        testutil::Sandbox work;
        QVERIFY(in.write(QStringLiteral("a.jpg"), testutil::makePhotoJpeg({300, 480}, 11)));
        material::BadgeLayout layout = material::defaultBadgeLayout();
        layout[0].visible = false;                                    // 会员Lv7
        layout[10].pos = core::kBadges[10].defaultPos + QPoint(3, 0); // 所有年字
        layout[3].pos = core::kBadges[3].defaultPos + QPoint(-3, 50); // 黄钻Lv8
        QCOMPARE(material::writeBadgeLayoutFile(work.file(QStringLiteral("l.layout")), layout), QString());

        const QStringList base{QStringLiteral("--input"), in.path(), QStringLiteral("--output")};
        QCOMPARE(testutil::runBatchTool(base + QStringList{work.file(QStringLiteral("f")),
                                                           QStringLiteral("--layout"),
                                                           work.file(QStringLiteral("l.layout"))})
                     .exitCode,
                 0);
        QCOMPARE(testutil::runBatchTool(base + QStringList{work.file(QStringLiteral("o")),
                                                           QStringLiteral("--hide"),
                                                           QStringLiteral("会员Lv7"),
                                                           QStringLiteral("--move"),
                                                           QStringLiteral("所有年字=3,0"),
                                                           QStringLiteral("--move"),
                                                           QStringLiteral("黄钻Lv8=-3,50")})
                     .exitCode,
                 0);
        const QImage fromFile(work.file(QStringLiteral("f/1.png")));
        QVERIFY(!fromFile.isNull());
        VERIFY_SAME_PIXELS(QImage(work.file(QStringLiteral("o/1.png"))), fromFile);
        const QImage defaults = [&] {
            testutil::runBatchTool(base + QStringList{work.file(QStringLiteral("d"))});
            return QImage(work.file(QStringLiteral("d/1.png")));
        }();
        QVERIFY(!testutil::pixelDiff(defaults, fromFile).isEmpty());

        // Every badge hidden: black frame around a flat picture, nothing else.
        QStringList hideAll = base + QStringList{work.file(QStringLiteral("h"))};
        QVERIFY(in.write(QStringLiteral("a.jpg"), flatJpeg(QColor(40, 90, 200))));
        for (const core::Badge& badge : core::kBadges)
            hideAll << QStringLiteral("--hide") << QString::fromUtf16(badge.name);
        QCOMPARE(testutil::runBatchTool(hideAll).exitCode, 0);
        const QImage bare(work.file(QStringLiteral("h/1.png")));
        QCOMPARE(bare.size(), QSize(152, 240));
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 152; ++x) {
                const bool inside = x >= 6 && x < 146 && y >= 7 && y < 233;
                const QRgb p = bare.pixel(x, y);
                QVERIFY2(inside ? near(p, QColor(40, 90, 200)) : (p & 0xFFFFFF) == 0,
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }

    void fiveHundredMaterialsOnTwoWorkers()
    {
        testutil::Sandbox in;
        testutil::Sandbox out;
        const QByteArray jpeg = testutil::makePhotoJpeg({60, 96}, 5);
        for (int i = 0; i < 500; ++i)
            QVERIFY(in.write(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), jpeg));
        const testutil::ToolRun run = testutil::runBatchTool({QStringLiteral("--input"),
                                                              in.path(),
                                                              QStringLiteral("--output"),
                                                              out.path(),
                                                              QStringLiteral("--jobs"),
                                                              QStringLiteral("2")});
        QCOMPARE(run.exitCode, 0);
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, 500);
        for (int n = 1; n <= 500; ++n)
            QVERIFY(QFileInfo::exists(out.file(QStringLiteral("%1.png").arg(n))));
    }

    // Ctrl-C in the middle: the run stops with 130, and what it leaves are whole pictures only.
    void interruptLeavesWholeFiles()
    {
        testutil::Sandbox in;
        testutil::Sandbox out;
        const QByteArray jpeg = testutil::makePhotoJpeg({1200, 1800}, 9);
        for (int i = 0; i < 400; ++i)
            QVERIFY(in.write(QStringLiteral("p%1.jpg").arg(i), jpeg));
        QProcess process;
        process.start(testutil::batchTool(),
                      {QStringLiteral("--input"),
                       in.path(),
                       QStringLiteral("--output"),
                       out.path(),
                       QStringLiteral("--jobs"),
                       QStringLiteral("2")});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDir(out.path()).entryList(QDir::Files).size() >= 5, 20000);
        QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains(QStringLiteral("not started")));
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QVERIFY(files >= 5 && files < 400);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
