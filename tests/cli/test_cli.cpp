// vorlith-batch as a user runs it: the real binary on real folders. Exit statuses, skip reports, refusal to
// overwrite, dry runs, layout files, bad options, a large folder on two workers and Ctrl-C.
#include "cli/cli_process.h"
#include "core/badges.h"
#include "handlers/batch.h"
#include "material/badge_layout.h"
#include "test_utils.h"
#include "testsupport/memory_controls.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/picture_bytes.h"

#include <QBuffer>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <csignal>

#include <zlib.h>

#include <sched.h>
#include <sys/stat.h>

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

// Empty when the two folders hold the same file names with the same bytes; otherwise what differs.
QString folderDifferences(const QString& a, const QString& b)
{
    const QStringList names = QDir(a).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    if (names != QDir(b).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        return QStringLiteral("the file names differ");
    QStringList differing;
    for (const QString& name : names) {
        QFile fa(a + name);
        QFile fb(b + name);
        if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.readAll() != fb.readAll())
            differing.append(name);
    }
    return differing.join(QStringLiteral(", "));
}

// Mounts are made in a mount namespace of this test process's own, which vanishes with it whatever happens.
bool enterPrivateMountNamespace()
{
    static const bool entered =
        ::unshare(CLONE_NEWNS) == 0 && QProcess::execute(QStringLiteral("mount"), {"--make-rprivate", "/"}) == 0;
    return entered;
}

// A file system mounted over `dir` for one test, unmounted at its end; nothing when `args` is empty.
class MountedHere {
public:
    MountedHere(const QStringList& args, const QString& dir)
        : m_dir(dir), m_mounted(!args.isEmpty() && QProcess::execute(QStringLiteral("mount"), args) == 0)
    {}
    ~MountedHere()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir});
    }
    bool remount(const char* options) const
    {
        return QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-o"), QString::fromLatin1(options), m_dir}) == 0;
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_dir;
    bool m_mounted;
};

// A 16-bit RGBA PNG whose rows run through the byte values 0..255, deflated row by row so the decoded
// picture (8 bytes a pixel) never exists in this process.
QByteArray sixteenBitPng(quint32 w, quint32 h)
{
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray c;
        QDataStream(&c, QIODevice::WriteOnly) << quint32(data.size());
        const QByteArray body = QByteArray(type, 4) + data;
        QByteArray crc;
        QDataStream(&crc, QIODevice::WriteOnly)
            << quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
        return c + body + crc;
    };
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly)
        << w << h << quint8(16) << quint8(6) << quint8(0) << quint8(0) << quint8(0);
    QByteArray row(1 + qsizetype(w) * 8, 0);
    for (qsizetype i = 1; i < row.size(); ++i)
        row[i] = char((i - 1) & 0xFF);
    z_stream z{};
    deflateInit(&z, 6);
    QByteArray packed;
    QByteArray block(1 << 16, 0);
    for (quint32 y = 0; y <= h; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(row.data());
        z.avail_in = y < h ? uInt(row.size()) : 0;
        do {
            z.next_out = reinterpret_cast<Bytef*>(block.data());
            z.avail_out = uInt(block.size());
            deflate(&z, y < h ? Z_NO_FLUSH : Z_FINISH);
            packed.append(block.constData(), block.size() - qsizetype(z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed) + chunk("IEND", {});
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
        row("unknown option", {QStringLiteral("--colour")}, "Unknown option 'colour'");
        row("stray argument", {QStringLiteral("extra")}, "unexpected argument \"extra\"");
        row("jobs zero", {QStringLiteral("-j"), QStringLiteral("0")}, "--jobs 0");
        row("jobs word", {QStringLiteral("--jobs=many")}, "--jobs many");
        row("start negative", {QStringLiteral("--start"), QStringLiteral("-1")}, "--start -1");
        row("value missing", {QStringLiteral("--start")}, "Missing value after '--start'");
        row("flag with value", {QStringLiteral("--overwrite=yes")}, "Unexpected value after '--overwrite'");
        row("input twice", {QStringLiteral("-i"), in}, "--input may be given once");
        row("option as a value", {QStringLiteral("-f"), QStringLiteral("--help")}, "\"--help\" is an option");
        row("replace and keep",
            {QStringLiteral("--overwrite"), QStringLiteral("--skip-existing")},
            "exclude each other");
        row("names unknown", {QStringLiteral("--names=date")}, "--names date: expected number or material");
        row("start with material names",
            {QStringLiteral("--names"), QStringLiteral("material"), QStringLiteral("--start"), QStringLiteral("3")},
            "--start numbers the outputs");
        row("material names clash", {QStringLiteral("--names"), QStringLiteral("material")}, "share output names");
        row("hide unknown", {QStringLiteral("--hide"), QStringLiteral("会员Lv8")}, "no badge is named \"会员Lv8\"");
        row("move without offset", {QStringLiteral("--move"), QStringLiteral("QQ图书")}, "expected NAME=DX,DY");
        row("move unknown", {QStringLiteral("--move"), QStringLiteral("书=1,1")}, "no badge is named \"书\"");
        row("layout missing",
            {QStringLiteral("--layout"), QStringLiteral("/nonexistent/a.layout")},
            "the folder /nonexistent does not exist");
        row("layout bad line",
            {QStringLiteral("--layout"), QStringLiteral("@BADLAYOUT@")},
            "line 2: visible must be 0 or 1");
        // A FIFO would wait for a writer for good; it is refused at once.
        row("layout is a FIFO", {QStringLiteral("--layout"), QStringLiteral("@FIFO@")}, "it is not a regular file");
        row("fit unknown", {QStringLiteral("--fit"), QStringLiteral("fill")}, "--fit fill: expected stretch|cover");
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
        QVERIFY(in.write(QStringLiteral("a.JPG"), flatJpeg(Qt::red)));
        QVERIFY(in.write(QStringLiteral("bad.layout"), "QQ图书 1 3 40\nQQ钻皇 2 0 0\n"));
        QCOMPARE(::mkfifo(QFile::encodeName(in.file(QStringLiteral("fifo.layout"))).constData(), 0600), 0);
        for (QString& a : arguments) {
            a.replace(QStringLiteral("@FIFO@"), in.file(QStringLiteral("fifo.layout")));
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
                                   "--names number|material",
                                   "--start",
                                   "--jobs",
                                   "--overwrite",
                                   "--skip-existing",
                                   "--dry-run",
                                   "  3    cut short",
                                   "143 stopped by SIGTERM",
                                   "Examples:",
                                   "所有年字"})
            QVERIFY2(help.out.contains(QString::fromUtf8(option)), option);
        QCOMPARE(testutil::runBatchTool({QStringLiteral("-h")}).out, help.out);
        const testutil::ToolRun version = testutil::runBatchTool({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("vorlith-batch ")));
        QCOMPARE(testutil::runBatchTool({QStringLiteral("-v")}).out, version.out);
    }

    void dryRunThenRun_data()
    {
        QTest::addColumn<QStringList>("naming");
        QTest::addColumn<QStringList>("outputs");
        QTest::newRow("numbered from 10") << QStringList{QStringLiteral("--start"), QStringLiteral("10")}
                                          << QStringList{"10.png", "11.png", "12.png", "13.png", "14.png", "15.png"};
        QTest::newRow("after the materials")
            << QStringList{QStringLiteral("--names"), QStringLiteral("material")}
            << QStringList{"M9.png", "m0.png", "m1.png", "m10.png", "m2.png", "x.y.png"};
    }

    // Every material becomes the file the dry run named, with that material's picture in it; the dry run
    // writes nothing, not even the output folder. The materials are made in an order unlike name order and are
    // numbered in name order: numbers by value, letter case ignored.
    void dryRunThenRun()
    {
        QFETCH(QStringList, naming);
        QFETCH(QStringList, outputs);
        testutil::Sandbox in;
        testutil::Sandbox root;
        const QString out = root.file(QStringLiteral("made/here"));
        const QStringList materials{"m10.JPG", "M9.JPG", "m2.JPG", "m1.JPG", "m0.JPG", "x.y.JPG"};
        const QStringList inNameOrder{"m0.JPG", "m1.JPG", "m2.JPG", "M9.JPG", "m10.JPG", "x.y.JPG"};
        for (int i = 0; i < materials.size(); ++i)
            QVERIFY(in.write(materials[i], flatJpeg(materialColour(i))));
        QVERIFY(in.write(QStringLiteral("skip.gif"), flatJpeg(Qt::black)));
        const QStringList args = QStringList{QStringLiteral("-i"),
                                             in.path(),
                                             QStringLiteral("--output=") + out,
                                             QStringLiteral("-f"),
                                             QStringLiteral("jpg")} +
                                 naming;

        const testutil::ToolRun dry = testutil::runBatchTool(args + QStringList{QStringLiteral("--dry-run")});
        QCOMPARE(dry.exitCode, 0);
        QVERIFY(!QFileInfo::exists(out));
        const QHash<QString, QString> planned = plannedOutputs(dry.out);
        QStringList names;
        for (const QString& path : planned)
            names.append(QFileInfo(path).fileName());
        names.sort();
        QCOMPARE(names, outputs);
        for (int n = 0; n < inNameOrder.size() && naming.contains(QStringLiteral("--start")); ++n)
            QCOMPARE(QFileInfo(planned.value(inNameOrder[n])).fileName(), QStringLiteral("%1.png").arg(10 + n));

        const testutil::ToolRun run = testutil::runBatchTool(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("wrote 6 of 6 pictures")));
        for (int i = 0; i < materials.size(); ++i) {
            const QImage image(planned.value(materials[i]));
            QCOMPARE(image.size(), QSize(152, 240));
            // Middle of the picture box, below every badge; the corner is the black frame.
            QVERIFY2(near(image.pixel(76, 200), materialColour(i)), qPrintable(materials[i]));
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
        // A BMP cut short is written, its missing rows plain, with a warning that names it.
        QImage noise(140, 226, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb(x * 37 & 0xFF, y * 11 & 0xFF, (x * y) & 0xFF));
        QByteArray bmp;
        QByteArray tiff; // its directory comes after the pixels: cut short, the file has no first page
        {
            QBuffer buffer(&bmp);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "BMP"));
            QBuffer tiffBuffer(&tiff);
            QVERIFY(tiffBuffer.open(QIODevice::WriteOnly) && noise.save(&tiffBuffer, "TIFF"));
        }
        QVERIFY(in.write(QStringLiteral("zcut_bmp.jpg"), bmp.left(bmp.size() / 2)));
        QVERIFY(in.write(QStringLiteral("zcut_tiff.jpg"), tiff.left(tiff.size() - 20)));
        // So is a PNG cut short; one with a damaged header is skipped.
        QByteArray png;
        {
            QBuffer buffer(&png);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "PNG"));
        }
        QVERIFY(in.write(QStringLiteral("zcut_png.jpg"), png.left(png.size() / 2)));
        png[29] = char(png[29] ^ 0x5A); // the header's checksum
        QVERIFY(in.write(QStringLiteral("zz_checksum.jpg"), png));
        // A GIF whose screen alone needs more than the memory budget is skipped before it is decoded.
        const QList<picturebytes::GifFrame> frame{picturebytes::GifFrame(QByteArray(4, '\0'), QRect(0, 0, 2, 2))};
        QVERIFY(in.write(QStringLiteral("zzz_budget.jpg"),
                         picturebytes::gifFile(QSize(20000, 20000), {qRgb(1, 2, 3)}, 0, frame)));
        // A GIF of 2,000 frames and one with a long comment are shown from their first frame, with no word.
        const QList<QRgb> table{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(9, 9, 9)};
        const QList<QByteArray> frames(2000, QByteArray(15, '\1'));
        QVERIFY(in.write(QStringLiteral("zzzz_a_frames.jpg"), picturebytes::gifFile(5, 3, table, frames)));
        QByteArray comment("\x21\xFE", 2);
        for (int i = 0; i < 4000; ++i)
            comment += char(255) + QByteArray(255, 'c');
        QVERIFY(in.write(QStringLiteral("zzzz_b_comment.jpg"),
                         picturebytes::gifFile(5, 3, table, {QByteArray(15, '\2')}).insert(25, comment + '\0')));
        // An AVIF whose header claims 65535 x 65535 is refused for its size; one whose AV1 data is damaged is
        // skipped, and the AV1 decoder's own complaint never reaches the terminal (the loop below).
        QByteArray avif = picturebytes::avifFile({noise.copy(0, 0, 32, 24)});
        QByteArray huge = avif;
        const qsizetype ispe = huge.indexOf("ispe");
        QVERIFY(ispe > 0);
        huge.replace(ispe + 8, 8, QByteArray("\0\0\xFF\xFF\0\0\xFF\xFF", 8));
        QVERIFY(in.write(QStringLiteral("zzzz_c_huge.jpg"), huge));
        const qsizetype mdat = avif.indexOf("mdat");
        QVERIFY(mdat > 0 && mdat + 44 < avif.size());
        avif.replace(mdat + 4, 40, QByteArray(40, '\0'));
        QVERIFY(in.write(QStringLiteral("zzzz_d_damaged.jpg"), avif));
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
        QVERIFY2(run.err.contains(QStringLiteral("warning: zcut_bmp.jpg: the BMP data ends early")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("warning: zcut_png.jpg: the PNG data ends early")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("skipped zz_checksum.jpg: the PNG data is damaged: IHDR: CRC error")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral(
                     "skipped zzz_budget.jpg: the picture needs 3052 MB of memory, more than the 1024 MB allowed")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("skipped zzzz_c_huge.jpg: the picture is 65535 x 65535 pixels")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("skipped zzzz_d_damaged.jpg: the HEIF data is damaged")),
                 qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral("zzzz_a")) && !run.err.contains(QStringLiteral("zzzz_b")),
                 qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("wrote 5 of 13")), qPrintable(run.out));
        // Every line names a material; nothing from a decoding library's own reports reaches the terminal.
        for (const QString& line : run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(QStringLiteral("skipped ")) || line.startsWith(QStringLiteral("warning: ")),
                     qPrintable(line));
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, 5);
        // The GIFs' first frames: blue and green in the middle of the box.
        QCOMPARE(QImage(out.file(QStringLiteral("10.png"))).pixel(76, 120), qRgb(0, 0, 255));
        QCOMPARE(QImage(out.file(QStringLiteral("11.png"))).pixel(76, 120), qRgb(0, 255, 0));
        // The PNG's bottom half never arrived: plain grey across the bottom of the picture box.
        const QImage cutPngFrame(out.file(QStringLiteral("6.png")));
        for (int x = 6; x < 146; x += 7)
            QCOMPARE(cutPngFrame.pixel(x, 220) & 0xFFFFFF, 0x808080u);
        // The top half of the stored-bottom-up BMP never arrived: plain grey across the picture box's top.
        const QImage cutFrame(out.file(QStringLiteral("5.png")));
        for (int x = 6; x < 146; x += 7)
            QCOMPARE(cutFrame.pixel(x, 100) & 0xFFFFFF, 0x808080u);
    }

    // A file in the way, or a symbolic link at an output name pointing at a file outside the output folder:
    // refused without --overwrite; with it, the name gets the new picture and the file outside is untouched.
    void refusesToOverwrite_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("file") << false;
        QTest::newRow("symbolic link to a file outside") << true;
    }

    void refusesToOverwrite()
    {
        QFETCH(bool, link);
        testutil::Sandbox in;
        testutil::Sandbox out;
        testutil::Sandbox elsewhere;
        for (int i = 0; i < 3; ++i)
            QVERIFY(in.write(QStringLiteral("%1.jpg").arg(i), flatJpeg(materialColour(i))));
        const QString kept = link ? elsewhere.file(QStringLiteral("precious.txt")) : out.file(QStringLiteral("2.png"));
        {
            QFile f(kept);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("keep me") == 7);
        }
        if (link)
            QVERIFY(QFile::link(kept, out.file(QStringLiteral("2.png"))));
        const QStringList args{QStringLiteral("--input"), in.path(), QStringLiteral("--output"), out.path()};

        const testutil::ToolRun refused = testutil::runBatchTool(args);
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains(out.file(QStringLiteral("2.png"))), qPrintable(refused.err));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::System), QStringList{QStringLiteral("2.png")});
        QCOMPARE(testutil::readFile(kept), QByteArray("keep me"));

        const testutil::ToolRun replaced = testutil::runBatchTool(args + QStringList{QStringLiteral("--overwrite")});
        QCOMPARE(replaced.exitCode, 0);
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, 3);
        QVERIFY(!QFileInfo(out.file(QStringLiteral("2.png"))).isSymLink());
        if (link)
            QCOMPARE(testutil::readFile(kept), QByteArray("keep me"));
    }

    // Two runs into one folder at once, each with materials of its own colour: every output name is written
    // by one of them, and a run claims no name it did not write: each output shows the colour of the run
    // that did not report the name as taken.
    void twoRunsIntoOneFolder()
    {
        constexpr int kMaterials = 40;
        const QColor colours[2] = {QColor(220, 30, 30), QColor(30, 30, 220)};
        testutil::Sandbox in[2];
        testutil::Sandbox out;
        for (int run = 0; run < 2; ++run) {
            for (int i = 0; i < kMaterials; ++i)
                QVERIFY(
                    in[run].write(QStringLiteral("m%1.jpg").arg(i, 3, 10, QLatin1Char('0')), flatJpeg(colours[run])));
        }
        QProcess processes[2];
        for (int run = 0; run < 2; ++run)
            processes[run].start(testutil::batchTool(),
                                 {QStringLiteral("--input"),
                                  in[run].path(),
                                  QStringLiteral("--output"),
                                  out.path(),
                                  QStringLiteral("--jobs"),
                                  QStringLiteral("2")});
        QString errors[2];
        for (int run = 0; run < 2; ++run) {
            QVERIFY(processes[run].waitForFinished(60000));
            errors[run] = QString::fromUtf8(processes[run].readAllStandardError());
        }
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QCOMPARE(files, kMaterials);
        for (int n = 1; n <= kMaterials; ++n) {
            const QString name = out.file(QStringLiteral("%1.png").arg(n));
            const bool takenFrom[2] = {errors[0].contains(name + QStringLiteral(": the name is taken")),
                                       errors[1].contains(name + QStringLiteral(": the name is taken"))};
            // A run that refused to start claims nothing; one that ran claims every name it did not report.
            const bool claims[2] = {processes[0].exitCode() != 2 && !takenFrom[0],
                                    processes[1].exitCode() != 2 && !takenFrom[1]};
            QVERIFY2(!(claims[0] && claims[1]), qPrintable(name + QStringLiteral(" claimed by both runs")));
            const QRgb pixel = QImage(name).pixel(76, 200);
            for (int run = 0; run < 2; ++run) {
                if (claims[run])
                    QVERIFY2(near(pixel, colours[run]), qPrintable(name + errors[run]));
            }
        }
    }

    // Two 16-bit RGBA PNGs of 8192 x 8192 (2 MB each, 512 MB at full size) on two workers under an
    // address-space limit smaller than one of them at full size: each is reduced to the box while it is
    // read, and both pictures are written showing their material, never a white box.
    void bigPicturesWithinTheMemoryBudget()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any limit this test sets");
#endif
        if (QStandardPaths::findExecutable(QStringLiteral("prlimit")).isEmpty())
            QSKIP("prlimit is not installed");
        testutil::Sandbox in;
        testutil::Sandbox out;
        const QByteArray png = sixteenBitPng(8192, 8192);
        QVERIFY(in.write(QStringLiteral("a.png"), png) && in.write(QStringLiteral("b.png"), png));
        const testutil::ToolRun run = testutil::runProgram(QStringLiteral("prlimit"),
                                                           {QStringLiteral("--as=400000000"),
                                                            testutil::batchTool(),
                                                            QStringLiteral("--input"),
                                                            in.path(),
                                                            QStringLiteral("--format"),
                                                            QStringLiteral("png"),
                                                            QStringLiteral("--output"),
                                                            out.path(),
                                                            QStringLiteral("--jobs"),
                                                            QStringLiteral("2")},
                                                           QProcessEnvironment::systemEnvironment(),
                                                           120000);
        QVERIFY(!run.crashed);
        const QString& err = run.err;
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!err.contains(QStringLiteral("QImage")) && !err.contains(QStringLiteral("libpng")), qPrintable(err));
        for (const char* name : {"1.png", "2.png"}) {
            const QImage frame(out.file(QString::fromLatin1(name)));
            QCOMPARE(frame.size(), QSize(152, 240));
            // The rows' colours run through every grey level; a white box would be white here.
            QVERIFY2(frame.pixel(76, 200) != qRgb(255, 255, 255), name);
        }
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

    void bothProgramsStopAtTheSameMaterial_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("disk full") << "full";
        QTest::newRow("an output held by a read-only bind mount") << "held";
    }

    // A write failure in the middle of a run: the window's batch (its handlers over plain-value controls) and
    // vorlith-batch stop at the same material with the same reason. A full disk is met by whichever write
    // comes first, so both compose on one worker; the held output is material 5's whatever the order.
    void bothProgramsStopAtTheSameMaterial()
    {
        QFETCH(QString, how);
        if (!enterPrivateMountNamespace())
            QSKIP("mounting a file system needs root and a private mount namespace");
        testutil::Sandbox in, work;
        const QByteArray jpeg = testutil::makePhotoJpeg({320, 512}, 9);
        for (int i = 1; i <= 12; ++i)
            QVERIFY(in.write(QStringLiteral("m%1.jpg").arg(i, 2, 10, QLatin1Char('0')), jpeg));
        // No badges: the in-memory controls draw their own, so only the bare frames are the same files.
        material::BadgeLayout bare = material::defaultBadgeLayout();
        for (material::BadgePlacement& p : bare)
            p.visible = false;
        const QString layout = work.file(QStringLiteral("bare.layout"));
        QCOMPARE(material::writeBadgeLayoutFile(layout, bare), QString());
        const QString jobs = how == QLatin1String("full") ? QStringLiteral("1") : QStringLiteral("2");
        QVERIFY(testutil::runBatchTool({"-i", in.path(), "-o", work.file("sized"), "--layout", layout}).exitCode == 0);
        const qint64 pages = (QFileInfo(work.file("sized/1.png")).size() + 4095) / 4096;
        QVERIFY(work.write(QStringLiteral("held.png"), "held"));

        QStringList said;
        for (const bool window : {false, true}) {
            testutil::Sandbox out;
            const QString dir = out.path().chopped(1);
            const QString held = out.file(QStringLiteral("5.png"));
            QVERIFY(how == QLatin1String("full") || out.write(QStringLiteral("5.png"), "earlier"));
            // Room for four pictures; or 5.png a mount point, which no rename can replace.
            MountedHere mount(
                how == QLatin1String("full")
                    ? QStringList{"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(4 * pages * 4 + 2), "t", dir}
                    : QStringList{"--bind", "-o", "ro", work.file(QStringLiteral("held.png")), held},
                how == QLatin1String("full") ? dir : held);
            QVERIFY(mount.mounted());
            if (window) {
                testutil::MemoryControls controls;
                material::applyBadgeLayout(controls, bare);
                controls.setText(core::ids::MaterialFolderBox, in.path());
                controls.folderAnswers = {dir};
                controls.yesNoAnswers = {true}; // replace 5.png
                handlers::BatchHandlers handlers(jobs.toInt());
                handlers.startRun(controls);
                while (controls.interval(core::ids::BatchTimer) != 0) {
                    handlers.step(controls);
                    handlers.waitForProgress(1000);
                }
                said.append(controls.messages.value(0).text);
            } else {
                const testutil::ToolRun run = testutil::runBatchTool(
                    {"-i", in.path(), "-o", out.path(), "--layout", layout, "--jobs", jobs, "--overwrite"});
                QCOMPARE(run.exitCode, 3);
                said.append(run.err);
            }
        }
        const core::Reason reason = core::reasonFromErrno(how == QLatin1String("full") ? ENOSPC : EBUSY);
        const QRegularExpression failed(QStringLiteral("(?:cannot write|无法保存图片) .*/(\\d+)\\.png(?::|：) ?(.*)"));
        const QRegularExpressionMatch tool = failed.match(said[0]), window = failed.match(said[1]);
        QVERIFY2(tool.hasMatch() && window.hasMatch(), qPrintable(said.join('\n')));
        QCOMPARE(tool.captured(1), QStringLiteral("5"));
        QCOMPARE(window.captured(1), QStringLiteral("5"));
        QCOMPARE(tool.captured(2), core::englishText(reason));
        QVERIFY2(window.captured(2).startsWith(core::chineseText(reason)), qPrintable(said[1]));
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
        const testutil::ToolRun one = testutil::runBatchTool(base + QStringList{work.file(QStringLiteral("f")),
                                                                                QStringLiteral("--layout"),
                                                                                work.file(QStringLiteral("l.layout"))});
        QCOMPARE(one.exitCode, 0);
        QVERIFY2(one.out.startsWith(QStringLiteral("wrote 1 of 1 picture to")), qPrintable(one.out));
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

    void stopThenResumeEqualsOneRun_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("status");
        QTest::newRow("Ctrl-C") << int(Stop::Interrupt) << 130;
        QTest::newRow("SIGTERM") << int(Stop::Terminate) << 143;
        QTest::newRow("Ctrl-C twice") << int(Stop::InterruptTwice) << 130;
        QTest::newRow("disk full") << int(Stop::DiskFull) << 3;
        QTest::newRow("read-only folder") << int(Stop::ReadOnly) << 3;
    }

    // A run stopped part way, by a signal or by an output folder that takes no more, leaves whole pictures
    // only; a rerun with --skip-existing writes the rest, and the folder then equals one uninterrupted run.
    void stopThenResumeEqualsOneRun()
    {
        QFETCH(int, how);
        QFETCH(int, status);
        const QString in = photoFolder();
        const QString reference = referenceRun();
        QVERIFY(!reference.isEmpty());
        testutil::Sandbox out;
        const QStringList args{QStringLiteral("-i"), in, QStringLiteral("-o"), out.path(), QStringLiteral("-j2")};
        const bool mounted = how == int(Stop::DiskFull) || how == int(Stop::ReadOnly);
        if (mounted && !enterPrivateMountNamespace())
            QSKIP("mounting a file system needs root and a private mount namespace");
        const QString dir = out.path().chopped(1);
        MountedHere mount(how == int(Stop::DiskFull)   ? QStringList{"-t", "tmpfs", "-o", "size=2m", "test", dir}
                          : how == int(Stop::ReadOnly) ? QStringList{"--bind", "-o", "ro", dir, dir}
                                                       : QStringList{},
                          dir);
        QVERIFY(mount.mounted() == mounted);

        const testutil::ToolRun stopped = mounted ? testutil::runBatchTool(args) : runAndStop(args, out.path(), how);
        QCOMPARE(stopped.exitCode, status);
        if (mounted) {
            QVERIFY2(stopped.err.contains(QStringLiteral("stopped: cannot write ") + out.path()),
                     qPrintable(stopped.err));
            QVERIFY2(stopped.out.contains(QStringLiteral("cut short")), qPrintable(stopped.out));
            // Room again: a larger disk, a writable folder.
            QVERIFY(mount.remount(how == int(Stop::DiskFull) ? "remount,size=64m" : "remount,bind,rw"));
        }
        int files = 0;
        QVERIFY(allComplete(out.path(), &files));
        QVERIFY2(files < kPhotos, qPrintable(QString::number(files)));

        const testutil::ToolRun dry = testutil::runBatchTool(args + QStringList{"--skip-existing", "--dry-run"});
        QCOMPARE(dry.out.count(QStringLiteral(" is there, left as it is")), files);
        const testutil::ToolRun resumed = testutil::runBatchTool(args + QStringList{QStringLiteral("--skip-existing")});
        QCOMPARE(resumed.exitCode, 0);
        QVERIFY2(resumed.out.contains(QStringLiteral("%1 there already").arg(files)) || files == 0,
                 qPrintable(resumed.out));
        QCOMPARE(folderDifferences(out.path(), reference), QString());
    }

private:
    static constexpr int kPhotos = 160;
    enum class Stop { Interrupt, Terminate, InterruptTwice, DiskFull, ReadOnly };

    // Camera-sized materials, slow enough to stop a run part way: eight distinct photos over 160 files.
    QString photoFolder()
    {
        if (QDir(m_photos.path()).isEmpty()) {
            for (quint32 seed = 0; seed < 8; ++seed) {
                const QByteArray jpeg = testutil::makePhotoJpeg({1200, 1800}, 100 + seed);
                for (int i = int(seed); i < kPhotos; i += 8)
                    m_photos.write(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), jpeg);
            }
        }
        return m_photos.path();
    }

    QString referenceRun()
    {
        if (QDir(m_reference.path()).isEmpty() &&
            testutil::runBatchTool({QStringLiteral("-i"), photoFolder(), QStringLiteral("-o"), m_reference.path()})
                    .exitCode != 0)
            return {};
        return m_reference.path();
    }

    // Starts the run, sends the signal (twice for InterruptTwice) once a few pictures are written.
    static testutil::ToolRun runAndStop(const QStringList& args, const QString& out, int how)
    {
        QProcess process;
        process.start(testutil::batchTool(), args);
        testutil::ToolRun run;
        if (!process.waitForStarted())
            return run;
        for (int waited = 0; QDir(out).entryList(QDir::Files).size() < 5 && waited < 20000; waited += 10)
            QTest::qWait(10);
        const auto pid = static_cast<pid_t>(process.processId());
        ::kill(pid, how == int(Stop::Terminate) ? SIGTERM : SIGINT);
        if (how == int(Stop::InterruptTwice))
            ::kill(pid, SIGINT);
        if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit)
            return run;
        run.exitCode = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    testutil::Sandbox m_photos;
    testutil::Sandbox m_reference;
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
