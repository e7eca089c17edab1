#include "cli/plan.h"

#include "material/file_listing.h"
#include "material/limits.h"
#include "material/picture.h"
#include "material/picture_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace cli {

namespace {

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

// Output files that exist. A folder under an output name, or an output that is one of the materials (the
// input and output folders are the same and the format matches the output names), can never be written:
// replacing a material before it is read would lose it. Other files are in the way, or with --skip-existing
// mark their materials as done.
void findConflicts(Plan& plan, bool skipExisting)
{
    // The output folder is listed once rather than asked about every name, and the materials' real paths are
    // worked out only once an output exists: an empty output folder (the usual case, also for a folder of
    // 100,000 materials) costs one listing and nothing per material.
    QSet<QString> present;
    QDirIterator it(plan.outputFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        present.insert(it.fileName());
    }
    QSet<QString> sources;
    for (Material& m : plan.materials) {
        if (!present.contains(m.outputName))
            continue;
        const QString output = plan.output(m);
        const QFileInfo info(output);
        if (sources.isEmpty()) {
            for (const Material& each : plan.materials)
                sources.insert(canonical(QFile::decodeName(plan.source(each))));
        }
        if (info.isDir()) {
            plan.unwritable.append(output + QStringLiteral(" (a folder)"));
        } else if (sources.contains(canonical(output))) {
            plan.unwritable.append(output + QStringLiteral(" (one of the materials)"));
        } else if (skipExisting) {
            m.present = true;
            ++plan.presentCount;
        } else {
            plan.inTheWay.append(output);
        }
    }
}

// Materials whose outputs would share a name; each clash lists the output and every material giving it.
void findClashes(Plan& plan)
{
    QHash<QString, QStringList> byOutput;
    for (const Material& m : plan.materials)
        byOutput[m.outputName].append(m.name);
    for (const Material& m : plan.materials) {
        QStringList& names = byOutput[m.outputName];
        if (names.size() > 1) {
            plan.clashes.append(QStringLiteral("%1 from %2").arg(m.outputName, names.join(QStringLiteral(", "))));
            names.clear(); // listed once
        }
    }
}

} // namespace

QString materialOutputName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".png");
}

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
    const std::vector<material::ListedFile> listed = material::listMaterials(options.input, options.format);
    if (listed.empty()) {
        plan.error = QStringLiteral("no file in %1 matches *.%2").arg(options.input, options.format);
        return plan;
    }
    plan.inputFolder = material::withTrailingSeparator(options.input);
    plan.outputFolder = material::withTrailingSeparator(options.output);
    plan.materials.reserve(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const QString& name = listed[i].shown;
        const QString outputName = options.naming == Naming::Material
                                       ? materialOutputName(name)
                                       : QString::number(options.start + qint64(i)) + QStringLiteral(".png");
        plan.materials.push_back({name, listed[i].native, outputName});
    }
    if (options.naming == Naming::Material) {
        findClashes(plan);
        if (!plan.clashes.isEmpty())
            return plan;
    }
    findConflicts(plan, options.skipExisting);
    return plan;
}

core::Reason quickCheck(const QByteArray& source)
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
