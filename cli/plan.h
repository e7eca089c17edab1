#pragma once

#include "cli/options.h"

#include <QString>
#include <QStringList>

#include <vector>

// What a run will do, worked out before anything is written: the materials in listing order, the file each
// becomes, and the output files already in the way.
namespace cli {

struct Material {
    QString name;      // as listed, for reports (bytes that are no valid text written as \xHH)
    QByteArray source; // full path as the file system holds it
    QString output;    // full path of start + index ".png"
};

struct Plan {
    std::vector<Material> materials;
    QStringList inTheWay;   // existing output files (replaced only with --overwrite)
    QStringList unwritable; // outputs that can never be written: a folder in the way, or a material itself
    QString error;          // an unusable folder; empty when the plan can run
};

// Lists the material folder as the window's batch lists it and names the outputs. The output folder is not
// made here (a dry run makes nothing).
Plan makePlan(const Options& options);

// Why a material would be skipped, from its size and first bytes alone (no decoding); empty when it looks
// like a picture. Used by --dry-run.
QString quickCheck(const QByteArray& source);

} // namespace cli
