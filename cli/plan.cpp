#include "cli/plan.h"

#include "core/messages.h"
#include "material/file_listing.h"
#include "material/picture_file.h"
#include "picture/limits.h"
#include "picture/picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace cli {

namespace {

// Output files that exist. A folder under an output name, or an output that is one of the materials (the
// input and output folders are the same and the format matches the output names), can never be written:
// replacing a material before it is read would lose it. Other files are in the way, or with --skip-existing
// mark their materials as done.
void findConflicts(Plan& plan, const std::vector<material::ListedFile>& listed, bool skipExisting)
{
    QStringList names;
    names.reserve(qsizetype(plan.materials.size()));
    for (const Material& m : plan.materials)
        names.append(m.outputName);
    const material::OutputCheck check = material::checkOutputs(plan.outputFolder, names, plan.inputFolder, listed);
    for (qsizetype i : check.folders)
        plan.unwritable.append(
            core::englishText(core::MessageCode::OutputIsFolder, {plan.output(plan.materials[std::size_t(i)])}));
    for (qsizetype i : check.overMaterials)
        plan.unwritable.append(
            core::englishText(core::MessageCode::OutputIsMaterial, {plan.output(plan.materials[std::size_t(i)])}));
    for (qsizetype i : check.existing) {
        Material& m = plan.materials[std::size_t(i)];
        if (skipExisting) {
            m.present = true;
            ++plan.presentCount;
        } else {
            plan.inTheWay.append(plan.output(m));
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
            plan.clashes.append(
                core::englishText(core::MessageCode::Clash, {m.outputName, names.join(QStringLiteral(", "))}));
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
        plan.error = {input.exists() ? core::ReasonCode::MaterialFolderNotFolder
                                     : core::ReasonCode::MaterialFolderMissing,
                      {options.input}};
        return plan;
    }
    if (!QDir(options.input).isReadable()) {
        plan.error = {core::ReasonCode::MaterialFolderUnreadable, {options.input}};
        return plan;
    }
    const QFileInfo output(options.output);
    if (output.exists() && !output.isDir()) {
        plan.error = {core::ReasonCode::OutputFolderNotFolder, {options.output}};
        return plan;
    }
    const std::vector<material::ListedFile> listed = material::listMaterials(options.input, options.format);
    if (listed.empty()) {
        plan.error = {core::ReasonCode::NoMatchingMaterial, {options.input, options.format}};
        return plan;
    }
    plan.inputFolder = material::withTrailingSeparator(options.input);
    plan.outputFolder = material::withTrailingSeparator(options.output);
    plan.materials.reserve(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const QString& name = listed[i].shown;
        const QString outputName = options.naming == Naming::Material
                                       ? materialOutputName(name)
                                       : material::numberedName(options.start + qint64(i));
        plan.materials.push_back({name, listed[i].native, outputName});
    }
    if (options.naming == Naming::Material) {
        findClashes(plan);
        if (!plan.clashes.isEmpty())
            return plan;
    }
    findConflicts(plan, listed, options.skipExisting);
    return plan;
}

core::Reason quickCheck(const QByteArray& source)
{
    // The same checks, in the same order and with the same reasons, as the real run's reader.
    const material::ReadResult head = material::readPictureHead(source, 64);
    if (head.reason)
        return head.reason;
    if (picture::recognise(head.bytes) == picture::PictureKind::None)
        return core::ReasonCode::NotAPicture;
    return {};
}

} // namespace cli
