// make_assets OUTPUT_FOLDER: draws the badge bitmaps, the composition picture and the program icon and writes
// them under OUTPUT_FOLDER (badges/, pictures/, icons/), where the resource file picks them up. The same
// program run twice writes the same bytes, so the committed files can be checked against a fresh run.
#include "make_assets.h"
#include "core/badges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <cstring>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeImage(const QString& path, const QImage& image, const char* format, int quality)
{
    QDir().mkpath(QFileInfo(path).path());
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "make_assets: cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

// Every badge of the table, under the file name of its resource path.
bool writeBadges(const QString& out)
{
    for (const core::Badge& badge : core::kBadges) {
        const QString resource = QString::fromLatin1(badge.bitmap); // ":/badges/name.bmp"
        const QString name = QFileInfo(resource).completeBaseName();
        const QImage image = makeassets::drawBadge(name);
        if (image.size() != badge.bitmapSize) {
            std::fprintf(stderr, "make_assets: badge %s drawn at the wrong size\n", qPrintable(name));
            return false;
        }
        if (!writeFile(out + resource.mid(2), makeassets::encodeBmp24(image)))
            return false;
    }
    return true;
}

// The program icon in an icon theme folder (hicolor) at the sizes desktops look for, each drawn at its size.
bool writeThemeIcons(const QString& themeDir, const QString& name)
{
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(themeDir).arg(size).arg(name);
        if (!writeImage(path, makeassets::drawProgramIcon(size), "png", -1))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Drawing needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--icons") == 0)
        return writeThemeIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets OUTPUT_FOLDER\n       make_assets --icons THEME_FOLDER ICON_NAME\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const bool ok =
        writeBadges(out) &&
        writeImage(
            out + QStringLiteral("pictures/composition.jpg"), makeassets::drawCompositionPicture(), "jpeg", 90) &&
        writeImage(out + QStringLiteral("icons/vorlith-show.png"), makeassets::drawProgramIcon(), "png", -1);
    return ok ? 0 : 1;
}
