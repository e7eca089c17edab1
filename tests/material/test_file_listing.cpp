// The material file listing over real folders: which names a format finds, in what order, how names that
// are no plain text are shown, and what is never listed.
#include "material/file_listing.h"
#include "test_utils.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A name of exactly 250 bytes in the file system's encoding: 82 three-byte characters and ".jpg".
QString longChineseName()
{
    return QString(82, QChar(0x56FE)) + QStringLiteral(".jpg");
}

QSet<QString> toSet(const QStringList& names)
{
    return QSet<QString>(names.begin(), names.end());
}

QStringList shownNames(const QString& folder, const QString& format)
{
    QStringList names;
    for (const material::ListedFile& file : material::listMaterials(folder, format))
        names.append(file.shown);
    return names;
}

} // namespace

class TestFileListing : public QObject {
    Q_OBJECT

private slots:
    void findsByFormat_data();
    void findsByFormat();
    void nameOrder_data();
    void nameOrder();
    void namesThatAreNoPlainText();
    void folderForms_data();
    void folderForms();
    void links();
    void trailingSeparator_data();
    void trailingSeparator();
};

void TestFileListing::findsByFormat_data()
{
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("expected");

    const QStringList mixedCase{"a.jpg", "B.JPG", "c.Jpg", "d.jpeg", "e.gif", "fjpg", "g.jpg.gif"};
    QTest::newRow("upper-case format, any case of name")
        << QStringList() << mixedCase << "JPG" << QStringList{"a.jpg", "B.JPG", "c.Jpg"};
    QTest::newRow("lower-case format") << QStringList() << mixedCase << "jpg" << QStringList{"a.jpg", "B.JPG", "c.Jpg"};
    QTest::newRow("other format") << QStringList() << mixedCase << "GIF" << QStringList{"e.gif", "g.jpg.gif"};
    QTest::newRow("hidden files") << QStringList() << QStringList{".h.jpg", ".jpg", "v.jpg", ".jpg.txt"} << "JPG"
                                  << QStringList{".h.jpg", ".jpg", "v.jpg"};
    QTest::newRow("directories and subfolders never")
        << QStringList{"x.jpg", "sub", ".y.jpg"} << QStringList{"a.jpg", "sub/in.jpg", "x.jpg/inner.jpg"} << "JPG"
        << QStringList{"a.jpg"};
    QTest::newRow("question mark is one character")
        << QStringList() << QStringList{"a.jpg", "b.jpx", "c.jp", "d.jpeg"} << "JP?" << QStringList{"a.jpg", "b.jpx"};
    QTest::newRow("star is any run") << QStringList() << QStringList{"a.jpg", "b.jpeg", "c.gif"} << "j*"
                                     << QStringList{"a.jpg", "b.jpeg"};
    QTest::newRow("brackets are plain characters")
        << QStringList() << QStringList{"a.[jp]g", "b.jg", "c.pg"} << "[jp]g" << QStringList{"a.[jp]g"};
    QTest::newRow("leading spaces") << QStringList()
                                    << QStringList{" a.jpg", QStringLiteral("\u3000b.jpg"), "c.jpg ", "d.jpg\u3000"}
                                    << "JPG" << QStringList{" a.jpg", QStringLiteral("\u3000b.jpg")};
    QTest::newRow("trailing spaces through a wildcard")
        << QStringList() << QStringList{" a.jpg", QStringLiteral("c.jpg "), QStringLiteral("d.jpg\u3000")} << "jpg*"
        << QStringList{" a.jpg", QStringLiteral("c.jpg "), QStringLiteral("d.jpg\u3000")};
    QTest::newRow("Chinese names") << QStringList()
                                   << QStringList{QStringLiteral("素材一.jpg"),
                                                  QStringLiteral("图片.JPG"),
                                                  QStringLiteral("说明.txt")}
                                   << "JPG" << QStringList{QStringLiteral("素材一.jpg"), QStringLiteral("图片.JPG")};
    QTest::newRow("250-byte name") << QStringList() << QStringList{longChineseName(), "b.gif"} << "JPG"
                                   << QStringList{longChineseName()};
    QTest::newRow("line breaks and controls written as their bytes")
        << QStringList() << QStringList{"a\nb.jpg", "c\r.jpg", QStringLiteral("e\u2028\u202e.jpg"), "d.jpg"} << "JPG"
        << QStringList{"a\\x0Ab.jpg", "c\\x0D.jpg", "e\\xE2\\x80\\xA8\\xE2\\x80\\xAE.jpg", "d.jpg"};
    QTest::newRow("empty format lists no ordinary names")
        << QStringList() << QStringList{"a.jpg", "b"} << "" << QStringList();
}

void TestFileListing::findsByFormat()
{
    QFETCH(QStringList, dirs);
    QFETCH(QStringList, files);
    QFETCH(QString, format);
    QFETCH(QStringList, expected);

    testutil::Sandbox folder;
    for (const QString& dir : dirs)
        QVERIFY(QDir(folder.path()).mkpath(dir));
    for (const QString& name : files)
        QVERIFY2(folder.write(name, "x"), qPrintable(name));
    QCOMPARE(QFile::encodeName(longChineseName()).size(), 250);

    const QStringList listed = shownNames(folder.path(), format);
    QCOMPARE(listed.size(), expected.size());
    QCOMPARE(toSet(listed), toSet(expected));
}

// Created in an order unlike name order, listed as a file manager shows them: numbers by value, letter case
// ignored, equal names in either case ordered by their bytes.
void TestFileListing::nameOrder_data()
{
    QTest::addColumn<QStringList>("created");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("numbers by value") << QStringList{"IMG_10.jpg", "IMG_2.jpg", "IMG_1.jpg", "IMG_100.jpg"}
                                      << QStringList{"IMG_1.jpg", "IMG_2.jpg", "IMG_10.jpg", "IMG_100.jpg"};
    QTest::newRow("letter case ignored") << QStringList{"h.jpg", "B.jpg", "g.jpg", "a.jpg", "C.jpg", "A.jpg"}
                                         << QStringList{"A.jpg", "a.jpg", "B.jpg", "C.jpg", "g.jpg", "h.jpg"};
    QTest::newRow("mixed") << QStringList{"img_10.jpg", "IMG_9.jpg", "cover.jpg", "Img_1.jpg"}
                           << QStringList{"cover.jpg", "Img_1.jpg", "IMG_9.jpg", "img_10.jpg"};
}

void TestFileListing::nameOrder()
{
    QFETCH(QStringList, created);
    QFETCH(QStringList, expected);
    testutil::Sandbox folder;
    for (const QString& name : created)
        QVERIFY(folder.write(name, "x"));
    QCOMPARE(shownNames(folder.path(), QStringLiteral("jpg")), expected);
}

// Names copied from elsewhere may hold bytes that are no UTF-8 (here the GBK bytes of 测试, and a lone 0xFF):
// they are listed, shown with those bytes as \xHH, and their native bytes open the file.
void TestFileListing::namesThatAreNoPlainText()
{
    testutil::Sandbox folder;
    const QList<QByteArray> natives{"\xB2\xE2\xCA\xD4.jpg", "\xFF.jpg", "\xE6\xB5\x8B\xFF.jpg"};
    for (const QByteArray& native : natives) {
        const QByteArray path = QFile::encodeName(folder.path()) + native;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, native.constData(), size_t(native.size())), ssize_t(native.size()));
        ::close(fd);
    }
    const std::vector<material::ListedFile> listed = material::listMaterials(folder.path(), QStringLiteral("jpg"));
    QCOMPARE(listed.size(), std::size_t(3));
    QHash<QByteArray, QString> shown;
    for (const material::ListedFile& file : listed) {
        shown.insert(file.native, file.shown);
        QFile f;
        const int fd = ::open((QFile::encodeName(folder.path()) + file.native).constData(), O_RDONLY);
        QVERIFY(fd >= 0 && f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(f.readAll(), file.native);
    }
    QCOMPARE(shown.value(natives[0]), QStringLiteral("\\xB2\\xE2\\xCA\\xD4.jpg"));
    QCOMPARE(shown.value(natives[1]), QStringLiteral("\\xFF.jpg"));
    QCOMPARE(shown.value(natives[2]), QStringLiteral("测\\xFF.jpg"));
}

void TestFileListing::folderForms_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("with separator") << "sep" << 2;
    QTest::newRow("without separator") << "bare" << 2;
    QTest::newRow("missing folder") << "missing" << 0;
    QTest::newRow("no folder chosen, matching files in the current folder") << "empty" << 0;
}

void TestFileListing::folderForms()
{
    QFETCH(QString, form);
    QFETCH(int, expectedCount);

    testutil::Sandbox folder;
    QVERIFY(folder.write("a.jpg", "x"));
    QVERIFY(folder.write("b.jpg", "x"));
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));

    QString text = folder.path();
    if (form == QLatin1String("bare"))
        text.chop(1);
    else if (form == QLatin1String("missing"))
        text += QStringLiteral("nowhere/");
    else if (form == QLatin1String("empty"))
        text.clear();
    const QStringList listed = shownNames(text, QStringLiteral("JPG"));
    QDir::setCurrent(saved);
    QCOMPARE(listed.size(), expectedCount);
}

// A link to a file reads as that file; a link to a folder and a dangling link are no material.
void TestFileListing::links()
{
    testutil::Sandbox folder;
    QVERIFY(folder.write("a.jpg", "x"));
    QVERIFY(QDir(folder.path()).mkdir("sub"));
    QVERIFY(QFile::link(folder.file("a.jpg"), folder.file("file-link.jpg")));
    QVERIFY(QFile::link(folder.file("sub"), folder.file("folder-link.jpg")));
    QVERIFY(QFile::link(folder.file("gone"), folder.file("dangling.jpg")));

    const QStringList listed = shownNames(folder.path(), QStringLiteral("jpg"));
    QCOMPARE(toSet(listed), (QSet<QString>{"a.jpg", "file-link.jpg"}));
}

void TestFileListing::trailingSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/home/u/pics"
                           << "/home/u/pics/";
    QTest::newRow("already ends in one") << "/home/u/pics/"
                                         << "/home/u/pics/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFileListing::trailingSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(material::withTrailingSeparator(folder), expected);
}

QTEST_GUILESS_MAIN(TestFileListing)
#include "test_file_listing.moc"
