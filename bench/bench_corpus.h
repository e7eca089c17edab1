#pragma once

// Shared by the batch benchmarks: a generated corpus of photo-like JPEG materials (quality 90), the badge
// overlay the comparison tools composite, and the comparison tools' commands.
#include "assets/assets.h"
#include "material/badge_layout.h"
#include "material/composition.h"
#include "testsupport/photo_jpeg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <vector>

namespace bench {

struct CorpusSize {
    QSize size;
    int count;
};

// Writes `count` files of each size into `folder` (kept between runs: generating camera-sized photos takes
// a while). Distinct pictures per size, repeated by copying. Returns the file names in a fixed order.
inline QStringList makeCorpus(const QString& folder, const std::vector<CorpusSize>& sizes, int distinct = 4)
{
    QDir().mkpath(folder);
    QStringList names;
    for (const CorpusSize& s : sizes) {
        QStringList these;
        bool present = true;
        for (int i = 0; i < s.count; ++i) {
            these.append(QStringLiteral("m%1x%2_%3.jpg")
                             .arg(s.size.width())
                             .arg(s.size.height())
                             .arg(i, 4, 10, QLatin1Char('0')));
            present = present && QFileInfo(folder + these.last()).size() > 0;
        }
        names += these;
        if (present)
            continue;
        std::vector<QByteArray> pictures;
        for (int i = 0; i < distinct && i < s.count; ++i)
            pictures.push_back(testutil::makePhotoJpeg(s.size, static_cast<quint32>(1000 + i + s.size.width())));
        for (int i = 0; i < s.count; ++i) {
            QFile file(folder + these[i]);
            const QByteArray& bytes = pictures[static_cast<std::size_t>(i) % pictures.size()];
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return {};
        }
    }
    return names;
}

// The eleven badges at their default places over a transparent 140 x 226 picture, keyed as the window keys
// them: what the comparison tools composite over each stretched material.
inline bool writeBadgeOverlay(const QString& path)
{
    QImage overlay(material::kPictureRect.size(), QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::transparent);
    QPainter p(&overlay);
    const auto layers = material::badgeLayers(material::defaultBadgeLayout(), assets::badgeBitmaps());
    for (auto it = layers.rbegin(); it != layers.rend(); ++it)
        p.drawImage(it->pos, material::keyedBadge(it->bitmap));
    p.end();
    return overlay.save(path, "PNG");
}

// ImageMagick's convert itself. A `convert` earlier on PATH may be a script standing in front of it, whose own
// start-up would be charged to ImageMagick; the versioned binary is the program proper.
inline QString imageMagick()
{
    for (const char* name : {"convert-im6.q16", "magick"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QStandardPaths::findExecutable(QStringLiteral("convert"));
}

// The same composition as ImageMagick arguments: stretch to the picture box, composite the badges, add the
// black margins of the frame. With `sizeHint` ImageMagick is also told the size wanted, so that it scales
// while decoding as our decoder does (-define jpeg:size); without it, it is the command as commonly written.
inline QStringList imageMagickArguments(const QString& in, const QString& overlay, const QString& out, bool sizeHint)
{
    QStringList args;
    if (sizeHint)
        args << QStringLiteral("-define") << QStringLiteral("jpeg:size=140x226");
    args << in << QStringLiteral("-resize") << QStringLiteral("140x226!") << overlay << QStringLiteral("-composite")
         << QStringLiteral("-bordercolor") << QStringLiteral("black") << QStringLiteral("-border")
         << QStringLiteral("6x7") << out;
    return args;
}

// ImageMagick, one process per file, one after another as a shell loop runs it; seconds, or -1 on failure.
inline double runImageMagickPerFile(
    const QString& in, const QStringList& names, const QString& overlay, const QString& out, bool sizeHint)
{
    const QString tool = imageMagick();
    if (tool.isEmpty())
        return -1;
    QDir().mkpath(out);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < names.size(); ++i) {
        QProcess p;
        p.start(tool,
                imageMagickArguments(in + names[i], overlay, out + QStringLiteral("%1.png").arg(i + 1), sizeHint));
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            return -1;
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace bench
