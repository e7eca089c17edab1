// The material file listing over real folders: which names a format finds, in what order, and what is never
// listed.
#include "material/file_listing.h"
#include "test_utils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QtTest>

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

} // namespace

class TestFileListing : public QObject {
    Q_OBJECT

private slots:
    void findsByFormat_data();
    void findsByFormat();
    void namesOnceInEnumerationOrder();
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
    QTest::newRow("name holding a line break")
        << QStringList() << QStringList{"a\nb.jpg", "c\r.jpg", "d.jpg"} << "JPG" << QStringList{"d.jpg"};
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

    const QStringList listed = material::listMaterialFiles(folder.path(), format);
    QCOMPARE(listed.size(), expected.size());
    QCOMPARE(toSet(listed), toSet(expected));
}

// Every matching name once, in the order the directory itself yields its entries: the list is not sorted,
// and the first name is not doubled.
void TestFileListing::namesOnceInEnumerationOrder()
{
    testutil::Sandbox folder;
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("%1-%2.jpg").arg((i * 37) % 60).arg(QChar(u'a' + i % 26));
        QVERIFY(folder.write(name, "x"));
        QVERIFY(folder.write(name + QStringLiteral(".bak"), "x"));
    }
    QDirIterator raw(folder.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (raw.hasNext()) {
        raw.next();
        if (raw.fileName().endsWith(QLatin1String(".jpg")))
            expected.append(raw.fileName());
    }
    QCOMPARE(expected.size(), 60);
    QCOMPARE(material::listMaterialFiles(folder.path(), QStringLiteral("JPG")), expected);
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
    const QStringList listed = material::listMaterialFiles(text, QStringLiteral("JPG"));
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

    const QStringList listed = material::listMaterialFiles(folder.path(), QStringLiteral("jpg"));
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
