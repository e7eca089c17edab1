#pragma once

#include "material/badge_layout.h"

#include <QString>
#include <QStringList>

// The command line of vorlith-batch.
namespace cli {

// Exit statuses. A stop by signal ends with 128 + the signal's number, as a shell reports it.
inline constexpr int kExitDone = 0;         // every material was written (or, with --skip-existing, was there)
inline constexpr int kExitSkipped = 1;      // some materials were skipped, each reported on standard error
inline constexpr int kExitUsage = 2;        // bad options, an unusable folder, files in the way, names that clash
inline constexpr int kExitWriteFailed = 3;  // an output could not be written (disk full, read-only, ...): cut short
inline constexpr int kExitSignalBase = 128; // + SIGINT (130) or SIGTERM (143): stopped by Ctrl-C or SIGTERM

// How outputs are named: by number in listing order (1.png, 2.png, ...), or after their material
// (photo.jpg gives photo.png).
enum class Naming { Number, Material };

struct Options {
    QString input;
    QString format = QStringLiteral("JPG"); // the window's material format box starts with this text
    QString output;
    material::BadgeLayout layout = material::defaultBadgeLayout();
    material::Fit fit = material::Fit::Stretch; // from --fit, else the layout file, else stretch
    Naming naming = Naming::Number;
    int start = 1;
    int jobs = 1;
    bool overwrite = false;
    bool skipExisting = false;
    bool dryRun = false;
};

struct ParsedOptions {
    Options options;
    bool help = false;
    bool version = false;
    QString error; // empty when the command line is usable
};

// Reads the arguments (without the program name). A layout file given with --layout is read here, so that its
// errors are option errors; --hide and --move apply after it, and --fit wins over the file's fit.
ParsedOptions parseOptions(const QStringList& arguments, int defaultJobs);

QString helpText(int defaultJobs);

// "1 material", "2 materials": a count with the noun in the number it takes.
QString counted(qsizetype n, const QString& singular, const QString& plural = {});

} // namespace cli
