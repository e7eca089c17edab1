#include "material/file_listing.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace material {

QString withTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

namespace {

// "*." + format as an anchored expression. Only the two wildcards of a file search are honoured; brackets,
// dots and the like in the format are plain characters, not the character classes of a shell glob.
QRegularExpression formatExpression(const QString& format)
{
    QString pattern = QStringLiteral(".*\\.");
    for (QChar c : format) {
        if (c == QLatin1Char('*'))
            pattern += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            pattern += QLatin1Char('.');
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

// The length of the valid UTF-8 sequence that starts at `at`, or 0 when the bytes there are none (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a value past U+10FFFF).
int utf8Length(const QByteArray& s, qsizetype at)
{
    const auto lead = static_cast<uchar>(s[at]);
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t value = 0, least = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, least = 0x10000;
    if (length == 0 || at + length > s.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<uchar>(s[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

// Characters that would break the list's one-name-per-line or show nothing (line breaks, controls, bidi and
// other format characters) are written out as their bytes.
bool hiddenCharacter(const QString& c)
{
    switch (QChar::category(c.toUcs4().value(0))) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

void appendEscaped(QString& out, const QByteArray& bytes)
{
    for (char b : bytes)
        out += QLatin1String("\\x") + QString::number(static_cast<uchar>(b), 16).toUpper().rightJustified(2, u'0');
}

// The collation a file manager sorts by: the user's language, numbers by value, letter case ignored. The C
// locale has no collation rules of its own, so it sorts as English does.
QCollator nameCollator()
{
    const QLocale system;
    QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English) : system);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

bool isRegularFile(int folder, const dirent* entry)
{
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    // A link counts as what it points to; a dangling link is nothing.
    struct stat st;
    return ::fstatat(folder, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace

QString shownName(const QByteArray& native)
{
    QString shown;
    for (qsizetype at = 0; at < native.size();) {
        const int length = utf8Length(native, at);
        const QByteArray piece = native.mid(at, std::max(length, 1));
        const QString text = QString::fromUtf8(piece);
        if (length == 0 || hiddenCharacter(text))
            appendEscaped(shown, piece);
        else
            shown += text;
        at += piece.size();
    }
    return shown;
}

std::vector<ListedFile> listMaterials(const QString& folder, const QString& format)
{
    std::vector<ListedFile> files;
    if (folder.isEmpty())
        return files;
    // Read with the system's own calls: the toolkit's directory iterator passes over names that are not
    // valid text, and such a material would vanish from the run without a word.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
    if (!dir)
        return files;
    const QRegularExpression expression = formatExpression(format);
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray native(entry->d_name);
        if (!expression.match(QString::fromUtf8(native)).hasMatch() || !isRegularFile(::dirfd(dir.get()), entry))
            continue;
        files.push_back({native, shownName(native)});
    }
    const QCollator collator = nameCollator();
    std::sort(files.begin(), files.end(), [&collator](const ListedFile& a, const ListedFile& b) {
        const int order = collator.compare(a.shown, b.shown);
        return order != 0 ? order < 0 : a.native < b.native;
    });
    return files;
}

QString numberedName(qint64 number)
{
    return QString::number(number) + QLatin1String(".png");
}

QString numberedOutput(const QString& outputFolder, qint64 number)
{
    return withTrailingSeparator(outputFolder) + numberedName(number);
}

namespace {

// The native path of a listed material in `folder`.
QByteArray nativePath(const QString& folder, const ListedFile& file)
{
    return QFile::encodeName(withTrailingSeparator(folder)) + file.native;
}

// The names in a folder, as the file system holds them; none when the folder cannot be read (or is not there,
// as an output folder before its first run).
QSet<QByteArray> namesIn(const QString& folder)
{
    QSet<QByteArray> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        names.insert(QByteArray(entry->d_name));
    }
    return names;
}

} // namespace

OutputCheck checkOutputs(const QString& outputFolder,
                         const QStringList& names,
                         const QString& materialFolder,
                         const std::vector<ListedFile>& materials)
{
    OutputCheck check;
    const QSet<QByteArray> present = namesIn(outputFolder);
    // The materials as files, looked up only once some output exists.
    std::set<std::pair<dev_t, ino_t>> sources;
    bool sourcesKnown = false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!present.contains(QFile::encodeName(names[i])))
            continue;
        const QByteArray native = QFile::encodeName(withTrailingSeparator(outputFolder) + names[i]);
        struct stat st;
        // A dangling link has no file behind it: it is in the way, neither a folder nor a material.
        const bool followed = ::stat(native.constData(), &st) == 0;
        if (followed && S_ISDIR(st.st_mode)) {
            check.folders.push_back(i);
            continue;
        }
        if (followed && !sourcesKnown) {
            for (const ListedFile& m : materials) {
                struct stat ms;
                if (::stat(nativePath(materialFolder, m).constData(), &ms) == 0)
                    sources.insert({ms.st_dev, ms.st_ino});
            }
            sourcesKnown = true;
        }
        if (followed && sources.count({st.st_dev, st.st_ino}))
            check.overMaterials.push_back(i);
        else
            check.existing.push_back(i);
    }
    return check;
}

} // namespace material
