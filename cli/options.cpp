#include "cli/options.h"

#include "core/badges.h"

#include <QRegularExpression>

namespace cli {

namespace {

// The largest value --jobs and --start take: far beyond any machine or folder, and clear of overflow when
// numbers are added to.
constexpr int kMaxJobs = 256;
constexpr int kMaxStart = 1000000000;

QString badgeNames()
{
    QStringList names;
    for (const core::Badge& badge : core::kBadges)
        names.append(QString::fromUtf16(badge.name));
    return names.join(QStringLiteral(", "));
}

QString unknownBadge(const QString& option, const QString& name)
{
    return QStringLiteral("%1: no badge is named \"%2\"; the badges are: %3").arg(option, name, badgeNames());
}

bool readNumber(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// --move NAME=DX,DY: the badge's default position plus the offset.
QString applyMove(const QString& argument, material::BadgeLayout& layout)
{
    static const QRegularExpression form(QStringLiteral("^(.+)=([-+]?\\d+),([-+]?\\d+)$"));
    const QRegularExpressionMatch match = form.match(argument);
    if (!match.hasMatch())
        return QStringLiteral("--move %1: expected NAME=DX,DY, for example --move 会员Lv7=3,-1").arg(argument);
    const std::optional<int> index = core::badgeByName(match.captured(1));
    if (!index)
        return unknownBadge(QStringLiteral("--move"), match.captured(1));
    int dx = 0;
    int dy = 0;
    const int bound = material::kMaxBadgeCoordinate / 2;
    if (!readNumber(match.captured(2), -bound, bound, &dx) || !readNumber(match.captured(3), -bound, bound, &dy))
        return QStringLiteral("--move %1: offsets must lie within ±%2").arg(argument).arg(bound);
    const auto i = static_cast<std::size_t>(*index);
    layout[i].pos = core::kBadges[i].defaultPos + QPoint(dx, dy);
    return {};
}

// Options that take a value; the value is the next argument or follows "=".
bool takesValue(const QString& name)
{
    static const QStringList names{QStringLiteral("input"),
                                   QStringLiteral("format"),
                                   QStringLiteral("output"),
                                   QStringLiteral("hide"),
                                   QStringLiteral("move"),
                                   QStringLiteral("layout"),
                                   QStringLiteral("start"),
                                   QStringLiteral("jobs"),
                                   QStringLiteral("fit")};
    return names.contains(name);
}

struct Arg {
    QString name;
    QString value;
};

// Splits the arguments into options with their values, in order; the error names the first bad argument.
QString splitArguments(const QStringList& arguments, std::vector<Arg>& args)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.startsWith(QLatin1String("--")) || a.size() == 2)
            return QStringLiteral("unexpected argument \"%1\" (options start with --; see --help)").arg(a);
        QString name = a.mid(2);
        QString value;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        const bool inlineValue = eq >= 0;
        if (inlineValue) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (takesValue(name) && !inlineValue) {
            if (i + 1 >= arguments.size())
                return QStringLiteral("--%1 needs a value").arg(name);
            value = arguments[++i];
        } else if (!takesValue(name) && inlineValue) {
            return QStringLiteral("--%1 takes no value").arg(name);
        }
        args.push_back({name, value});
    }
    return {};
}

QString readLayout(const QString& path, Options& o)
{
    material::BadgeLayoutResult read = material::readBadgeLayoutFile(path);
    if (!read.error.isEmpty())
        return QStringLiteral("--layout: ") + read.error;
    o.layout = read.layout;
    if (read.fit)
        o.fit = *read.fit;
    return {};
}

// The options other than --hide and --move, which apply after the layout file.
QString applyArg(const Arg& arg, ParsedOptions& parsed, int& layoutCount)
{
    Options& o = parsed.options;
    const QString& n = arg.name;
    if (n == QLatin1String("input"))
        o.input = arg.value;
    else if (n == QLatin1String("format"))
        o.format = arg.value;
    else if (n == QLatin1String("output"))
        o.output = arg.value;
    else if (n == QLatin1String("overwrite"))
        o.overwrite = true;
    else if (n == QLatin1String("dry-run"))
        o.dryRun = true;
    else if (n == QLatin1String("help"))
        parsed.help = true;
    else if (n == QLatin1String("version"))
        parsed.version = true;
    else if (n == QLatin1String("start")) {
        if (!readNumber(arg.value, 0, kMaxStart, &o.start))
            return QStringLiteral("--start %1: expected a whole number from 0 to %2").arg(arg.value).arg(kMaxStart);
    } else if (n == QLatin1String("jobs")) {
        if (!readNumber(arg.value, 1, kMaxJobs, &o.jobs))
            return QStringLiteral("--jobs %1: expected a whole number from 1 to %2").arg(arg.value).arg(kMaxJobs);
    } else if (n == QLatin1String("layout")) {
        if (++layoutCount > 1)
            return QStringLiteral("--layout may be given once");
        return readLayout(arg.value, o);
    } else if (n != QLatin1String("hide") && n != QLatin1String("move") && n != QLatin1String("fit")) {
        return QStringLiteral("unknown option --%1 (see --help)").arg(n);
    }
    return {};
}

} // namespace

ParsedOptions parseOptions(const QStringList& arguments, int defaultJobs)
{
    ParsedOptions parsed;
    parsed.options.jobs = qBound(1, defaultJobs, kMaxJobs);
    std::vector<Arg> args;
    parsed.error = splitArguments(arguments, args);
    if (!parsed.error.isEmpty())
        return parsed;
    // The layout file first, whatever its place on the line; --hide and --move change what it gives.
    int layoutCount = 0;
    for (const Arg& arg : args) {
        if ((parsed.error = applyArg(arg, parsed, layoutCount)); !parsed.error.isEmpty())
            return parsed;
    }
    for (const Arg& arg : args) {
        if (arg.name == QLatin1String("hide")) {
            const std::optional<int> index = core::badgeByName(arg.value);
            if (!index) {
                parsed.error = unknownBadge(QStringLiteral("--hide"), arg.value);
                return parsed;
            }
            parsed.options.layout[static_cast<std::size_t>(*index)].visible = false;
        } else if (arg.name == QLatin1String("move")) {
            if ((parsed.error = applyMove(arg.value, parsed.options.layout)); !parsed.error.isEmpty())
                return parsed;
        } else if (arg.name == QLatin1String("fit")) {
            const std::optional<material::Fit> fit = material::fitByName(arg.value);
            if (!fit) {
                parsed.error = QStringLiteral("--fit %1: expected %2").arg(arg.value, material::fitNames());
                return parsed;
            }
            parsed.options.fit = *fit;
        }
    }
    if (parsed.help || parsed.version)
        return parsed;
    if (parsed.options.input.isEmpty())
        parsed.error = QStringLiteral("--input DIR is required (the material folder)");
    else if (parsed.options.output.isEmpty())
        parsed.error = QStringLiteral("--output DIR is required (where 1.png, 2.png, ... go)");
    return parsed;
}

QString helpText(int defaultJobs)
{
    return QStringLiteral(
               "Usage: vorlith-batch --input DIR --output DIR [options]\n"
               "\n"
               "Composes every material picture of a folder under the badges, inside the black 152 x 240 frame,\n"
               "exactly as the window's batch does, and writes them as 1.png, 2.png, ... in listing order.\n"
               "\n"
               "Options:\n"
               "  --input DIR        the material folder (not searched below)\n"
               "  --format EXT       material extension, matched as \"*.\" + EXT, letter case ignored,\n"
               "                     * and ? as wildcards (default JPG)\n"
               "  --output DIR       the output folder; made when missing\n"
               "  --layout FILE      badge layout file (name visible left top per line, and the fit), as the\n"
               "                     window saves it from the effect area's context menu\n"
               "  --hide NAME        hide a badge (repeatable); NAME as the badge selector shows it\n"
               "  --move NAME=DX,DY  put a badge DX, DY pixels from its default place (repeatable)\n"
               "                     (--hide and --move apply after --layout, whatever their order)\n"
               "  --fit MODE         how the picture fills its 140 x 226 box: stretch (the default), cover\n"
               "                     (shape kept, box filled, the overflow cut off on both sides), cover-top\n"
               "                     (the same, a tall picture keeping its top, for portraits) or contain\n"
               "                     (shape kept, whole picture, the rest white); wins over the layout's fit\n"
               "  --start N          number of the first file (default 1)\n"
               "  --jobs N           worker threads (default: all cores, here %1)\n"
               "  --overwrite        replace existing output files; without it the run refuses to start\n"
               "  --dry-run          print each material and the file it would become, and what would be\n"
               "                     skipped; write nothing\n"
               "  --help, --version\n"
               "\n"
               "Badges: %2\n"
               "\n"
               "Exit status: 0 every material written; 1 some skipped (listed on standard error);\n"
               "2 bad options, an unusable folder or files in the way; 130 stopped by Ctrl-C.\n"
               "\n"
               "Examples:\n"
               "  vorlith-batch --input ~/materials --output ~/out\n"
               "  vorlith-batch --input ~/materials --format png --output ~/out --hide 所有年字 --move 会员Lv7=2,0\n"
               "  vorlith-batch --input ~/materials --output ~/out --layout my.layout --start 101 --overwrite\n"
               "  vorlith-batch --input ~/materials --output ~/out --dry-run\n")
        .arg(defaultJobs)
        .arg(badgeNames());
}

} // namespace cli
