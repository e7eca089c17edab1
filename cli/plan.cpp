#include "cli/plan.h"

#include "material/file_listing.h"
#include "material/limits.h"
#include "material/picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace cli {

namespace {

// Output files that exist. A folder under an output name, or an output that is one of the materials (the
// input and output folders are the same and the format matches the numbered names), can never be written:
// replacing a material before it is read would lose it.
void findConflicts(Plan& plan, const Options& options, const std::vector<material::ListedFile>& listed)
{
    const material::OutputCheck check = material::checkNumberedOutputs(
        options.output, options.start, static_cast<qint64>(listed.size()), options.input, listed);
    plan.inTheWay = check.existing;
    for (const QString& path : check.folders)
        plan.unwritable.append(path + QStringLiteral(" (a folder)"));
    for (const QString& path : check.overMaterials)
        plan.unwritable.append(path + QStringLiteral(" (one of the materials)"));
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
    const std::vector<material::ListedFile> listed = material::listMaterials(options.input, options.format);
    if (listed.empty()) {
        plan.error = QStringLiteral("no file in %1 matches *.%2").arg(options.input, options.format);
        return plan;
    }
    plan.materials.reserve(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        plan.materials.push_back({listed[i].shown,
                                  material::nativePath(options.input, listed[i]),
                                  material::numberedOutput(options.output, options.start + qint64(i))});
    }
    findConflicts(plan, options, listed);
    return plan;
}

QString quickCheck(const QByteArray& source)
{
    QFile file;
    const int fd = ::open(source.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QString::fromLocal8Bit(std::strerror(errno));
    if (file.size() == 0)
        return QStringLiteral("the file is empty");
    if (file.size() > material::kMaxPictureFileBytes)
        return QStringLiteral("the file is larger than %1 MB").arg(material::kMaxPictureFileBytes / (1024 * 1024));
    if (material::recognise(file.read(64)) == material::PictureKind::None)
        return QStringLiteral("not a picture (unrecognised content)");
    return {};
}

} // namespace cli
