#include "cli/plan.h"

#include "material/file_listing.h"
#include "material/limits.h"
#include "material/picture.h"
#include "material/picture_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace cli {

namespace {

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

// Output files that exist. A folder under an output name, or an output that is one of the materials (the
// input and output folders are the same and the format matches the numbered names), can never be written:
// replacing a material before it is read would lose it.
void findConflicts(Plan& plan)
{
    QSet<QString> sources;
    for (const Material& m : plan.materials)
        sources.insert(canonical(m.source));
    for (const Material& m : plan.materials) {
        const QFileInfo info(m.output);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (info.isDir())
            plan.unwritable.append(m.output + QStringLiteral(" (a folder)"));
        else if (sources.contains(canonical(m.output)))
            plan.unwritable.append(m.output + QStringLiteral(" (one of the materials)"));
        else
            plan.inTheWay.append(m.output);
    }
}

} // namespace

Plan makePlan(const Options& options)
{
    Plan plan;
    const QFileInfo input(options.input);
    if (!input.isDir()) {
        plan.error = QStringLiteral("the material folder %1 %2")
                         .arg(options.input,
                              input.exists() ? QStringLiteral("is not a folder") : QStringLiteral("does not exist"));
        return plan;
    }
    if (!QDir(options.input).isReadable()) {
        plan.error = QStringLiteral("the material folder %1 cannot be read").arg(options.input);
        return plan;
    }
    const QFileInfo output(options.output);
    if (output.exists() && !output.isDir()) {
        plan.error = QStringLiteral("the output folder %1 is not a folder").arg(options.output);
        return plan;
    }
    const QStringList names = material::listMaterialFiles(options.input, options.format);
    if (names.isEmpty()) {
        plan.error = QStringLiteral("no file in %1 matches *.%2").arg(options.input, options.format);
        return plan;
    }
    const QString inputFolder = material::withTrailingSeparator(options.input);
    const QString outputFolder = material::withTrailingSeparator(options.output);
    plan.materials.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const qint64 number = options.start + i;
        plan.materials.push_back(
            {names[i], inputFolder + names[i], outputFolder + QString::number(number) + QStringLiteral(".png")});
    }
    findConflicts(plan);
    return plan;
}

core::Reason quickCheck(const QString& source)
{
    // The same checks, in the same order and with the same reasons, as the real run's reader.
    const material::ReadResult head = material::readPictureHead(source, 64);
    if (head.reason)
        return head.reason;
    if (material::recognise(head.bytes) == material::PictureKind::None)
        return core::ReasonCode::NotAPicture;
    return {};
}

} // namespace cli
