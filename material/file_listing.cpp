#include "material/file_listing.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>

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

bool holdsLineBreak(const QString& name)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == 0x2028 || u == 0x2029)
            return true;
    }
    return false;
}

} // namespace

QStringList listMaterialFiles(const QString& folder, const QString& format)
{
    if (folder.isEmpty())
        return {};
    const QRegularExpression expression = formatExpression(format);
    // QDir::Files follows links: a link to a file counts as the file, a link to a folder as a folder, and a
    // dangling link is neither. No sorting: names come in enumeration order.
    QDirIterator it(withTrailingSeparator(folder), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    QStringList names;
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (!holdsLineBreak(name) && expression.match(name).hasMatch())
            names.append(name);
    }
    return names;
}

} // namespace material
