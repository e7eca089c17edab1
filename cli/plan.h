#pragma once

#include "cli/options.h"
#include "core/reasons.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

// What a run will do, worked out before anything is written: the materials in listing order, the file each
// becomes, and the output files already there.
namespace cli {

struct Material {
    QString name;         // as listed, for reports (bytes that are no valid text written as \xHH)
    QByteArray native;    // the file in the input folder, as the file system holds its name
    QString outputName;   // the file in the output folder
    bool present = false; // the output exists and --skip-existing leaves it (and its material) alone
};

struct Plan {
    QString inputFolder;  // with a trailing separator
    QString outputFolder; // with a trailing separator
    std::vector<Material> materials;
    QStringList inTheWay;   // existing output files (replaced only with --overwrite)
    QStringList unwritable; // outputs that can never be written: a folder in the way, or a material itself
    QStringList clashes;    // with --names material: outputs two materials would share, with their names
    core::Reason error;     // an unusable folder; none when the plan can run
    qsizetype presentCount = 0;

    QByteArray source(const Material& m) const { return QFile::encodeName(inputFolder) + m.native; }
    QString output(const Material& m) const { return outputFolder + m.outputName; }
};

// Lists the material folder as the window's batch lists it and names the outputs. The output folder is not
// made here (a dry run makes nothing).
Plan makePlan(const Options& options);

// The output name a material gets with --names material: its name with the last extension replaced by .png.
QString materialOutputName(const QString& name);

// Why a material would be skipped, from its size and first bytes alone (no decoding); empty when it looks
// like a picture. Used by --dry-run.
core::Reason quickCheck(const QByteArray& source);

} // namespace cli
