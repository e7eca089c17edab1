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

} // namespace

int main(int argc, char* argv[])
{
    // Drawing needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets OUTPUT_FOLDER\n");
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
