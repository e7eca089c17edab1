#pragma once

#include "material/badge_layout.h"

#include <QString>
#include <QStringList>

// The command line of vorlith-batch.
namespace cli {

// Exit statuses.
inline constexpr int kExitDone = 0;          // every material was written
inline constexpr int kExitSkipped = 1;       // some materials were skipped, each reported on standard error
inline constexpr int kExitUsage = 2;         // bad options, an unusable folder, files in the way
inline constexpr int kExitInterrupted = 130; // stopped by Ctrl-C (or SIGTERM) before the end

struct Options {
    QString input;
    QString format = QStringLiteral("JPG"); // the window's material format box starts with this text
    QString output;
    material::BadgeLayout layout = material::defaultBadgeLayout();
    material::Fit fit = material::Fit::Stretch; // from --fit, else the layout file, else stretch
    int start = 1;
    int jobs = 1;
    bool overwrite = false;
    bool dryRun = false;
};

struct ParsedOptions {
    Options options;
    bool help = false;
    bool version = false;
    QString error; // empty when the command line is usable
};

// Reads the arguments (without the program name). A layout file given with --layout is read here, so that its
// errors are option errors; --hide and --move apply after it, in the order given, and --fit wins over the
// file's fit.
ParsedOptions parseOptions(const QStringList& arguments, int defaultJobs);

QString helpText(int defaultJobs);

} // namespace cli
