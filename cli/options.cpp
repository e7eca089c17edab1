#include "cli/options.h"

#include "core/badges.h"
#include "core/text.h"
#include "material/composition.h"
#include "picture/limits.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <csignal>

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
    const std::optional<qint64> v = core::wholeNumber(text);
    if (!v || *v < low || *v > high)
        return false;
    *value = static_cast<int>(*v);
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

// Every option, once: the parser, the checks below and --help go by this table.
struct Spec {
    QStringList names;
    QString valueName; // empty for a switch
    bool repeatable = false;
    QString help; // its lines in --help, '\n' between them; %1 stands for the default number of jobs
};

QString boxSize()
{
    return QStringLiteral("%1 x %2").arg(material::kPictureRect.width()).arg(material::kPictureRect.height());
}

QString fitHelp()
{
    using material::Fit;
    using material::fitName;
    return QStringLiteral("how the picture fills its %1 box: %2 (the default), %3\n"
                          "(shape kept, box filled, the overflow cut off on both sides), %4\n"
                          "(the same, a tall picture keeping its top, for portraits) or %5\n"
                          "(shape kept, whole picture, the rest white); wins over the layout's fit")
        .arg(boxSize(), fitName(Options{}.fit), fitName(Fit::Cover), fitName(Fit::CoverTop), fitName(Fit::Contain));
}

const std::vector<Spec>& specs()
{
    // clang-format off
    // names                                       value name               repeatable  help lines
    static const std::vector<Spec> table{
        {{QStringLiteral("i"), QStringLiteral("input")}, QStringLiteral("DIR"), false,
         QStringLiteral("the material folder (not searched below)")},
        {{QStringLiteral("f"), QStringLiteral("format")}, QStringLiteral("EXT"), false,
         QStringLiteral("material extension, matched as \"*.\" + EXT, letter case ignored,\n"
                        "* and ? as wildcards (default %1)")
             .arg(Options{}.format)},
        {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("DIR"), false,
         QStringLiteral("the output folder; made when missing")},
        {{QStringLiteral("layout")}, QStringLiteral("FILE"), false,
         QStringLiteral("badge layout file (name visible left top per line, and the fit), as the\n"
                        "window saves it from the effect area's context menu")},
        {{QStringLiteral("hide")}, QStringLiteral("NAME"), true,
         QStringLiteral("hide a badge (repeatable); NAME as the badge selector shows it")},
        {{QStringLiteral("move")}, QStringLiteral("NAME=DX,DY"), true,
         QStringLiteral("put a badge DX, DY pixels from its default place (repeatable)\n"
                        "(--hide and --move apply after --layout, whatever their order)")},
        {{QStringLiteral("fit")}, QStringLiteral("MODE"), false, fitHelp()},
        {{QStringLiteral("names")}, QStringLiteral("number|material"), false,
         QStringLiteral("number (default): 1.png, 2.png, ... in listing order;\n"
                        "material: each material's name with its extension replaced by .png\n"
                        "(photo.jpg gives photo.png); two materials that would give the same\n"
                        "name are refused before anything is written")},
        {{QStringLiteral("start")}, QStringLiteral("N"), false,
         QStringLiteral("number of the first file with --names number (default %1)").arg(Options{}.start)},
        {{QStringLiteral("j"), QStringLiteral("jobs")}, QStringLiteral("N"), false,
         QStringLiteral("worker threads (default: all cores, here %1); together they hold at most\n") +
             QString::number(picture::kBatchMemoryBudgetMegabytes) +
             QStringLiteral(" MB of decoded pictures: a worker whose material would go past\n"
                            "that waits for the others; one that alone needs more is skipped")},
        {{QStringLiteral("overwrite")}, {}, false,
         QStringLiteral("replace existing output files; without it the run refuses to start")},
        {{QStringLiteral("skip-existing")}, {}, false,
         QStringLiteral("leave output files that exist as they are and do not read their\n"
                        "materials: a rerun after a stop finishes the job")},
        {{QStringLiteral("dry-run")}, {}, false,
         QStringLiteral("print each material and the file it would become, and what would be\n"
                        "skipped; write nothing")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, false, QStringLiteral("this text")},
        {{QStringLiteral("v"), QStringLiteral("version")}, {}, false, QStringLiteral("the version")},
    };
    // clang-format on
    return table;
}

const Spec* specNamed(const QString& name)
{
    for (const Spec& spec : specs()) {
        if (spec.names.contains(name))
            return &spec;
    }
    return nullptr;
}

QString spelled(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option an argument names ("-o", "--output", "--output=x"), or null when it names none.
const Spec* optionIn(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')) || argument.size() < 2)
        return nullptr;
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.left(name.indexOf(QLatin1Char('=')));
    return specNamed(name);
}

// "--output --help" would take "--help" as the folder's name: an option where a value belongs is an error.
// A value that truly begins with a dash is given as --output=-dir.
QString optionAsValue(const QStringList& arguments)
{
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--"))
            break;
        const Spec* spec = optionIn(arguments[i]);
        if (!spec || spec->valueName.isEmpty() || arguments[i].contains(QLatin1Char('=')))
            continue;
        if (optionIn(arguments[i + 1]))
            return QStringLiteral("%1 needs a value, but \"%2\" is an option (write %1=%2 to mean it as a value)")
                .arg(arguments[i], arguments[i + 1]);
        ++i;
    }
    return {};
}

QString numberOption(const QCommandLineParser& p, const QString& name, int low, int high, int* value)
{
    if (!p.isSet(name))
        return {};
    const QString text = p.value(name);
    if (!readNumber(text, low, high, value))
        return QStringLiteral("--%1 %2: expected a whole number from %3 to %4").arg(name, text).arg(low).arg(high);
    return {};
}

// The plain values and switches; the layout and the badge options follow in applyLayout.
QString applyValues(const QCommandLineParser& p, Options& o)
{
    o.input = p.value(QStringLiteral("input"));
    o.output = p.value(QStringLiteral("output"));
    if (p.isSet(QStringLiteral("format")))
        o.format = p.value(QStringLiteral("format"));
    o.overwrite = p.isSet(QStringLiteral("overwrite"));
    o.skipExisting = p.isSet(QStringLiteral("skip-existing"));
    o.dryRun = p.isSet(QStringLiteral("dry-run"));
    if (o.overwrite && o.skipExisting)
        return QStringLiteral("--overwrite and --skip-existing exclude each other");
    if (p.isSet(QStringLiteral("names"))) {
        const QString naming = p.value(QStringLiteral("names"));
        if (naming == QLatin1String("material"))
            o.naming = Naming::Material;
        else if (naming != QLatin1String("number"))
            return QStringLiteral("--names %1: expected number or material").arg(naming);
    }
    if (o.naming == Naming::Material && p.isSet(QStringLiteral("start")))
        return QStringLiteral("--start numbers the outputs; it has no use with --names material");
    QString why = numberOption(p, QStringLiteral("start"), 0, kMaxStart, &o.start);
    if (why.isEmpty())
        why = numberOption(p, QStringLiteral("jobs"), 1, kMaxJobs, &o.jobs);
    return why;
}

// The layout file first, then --hide, --move and --fit change what it gives.
QString applyLayout(const QCommandLineParser& p, Options& o)
{
    if (p.isSet(QStringLiteral("layout"))) {
        const QString path = p.value(QStringLiteral("layout"));
        material::BadgeLayoutResult read = material::readBadgeLayoutFile(path);
        if (read.reason)
            return QStringLiteral("--layout: %1: %2").arg(path, core::englishText(read.reason));
        o.layout = read.layout;
        o.fit = read.fit.value_or(o.fit);
    }
    if (p.isSet(QStringLiteral("fit"))) {
        const QString name = p.value(QStringLiteral("fit"));
        const std::optional<material::Fit> fit = material::fitByName(name);
        if (!fit)
            return QStringLiteral("--fit %1: expected %2").arg(name, material::fitNames());
        o.fit = *fit;
    }
    for (const QString& name : p.values(QStringLiteral("hide"))) {
        const std::optional<int> index = core::badgeByName(name);
        if (!index)
            return unknownBadge(QStringLiteral("--hide"), name);
        o.layout[static_cast<std::size_t>(*index)].visible = false;
    }
    for (const QString& move : p.values(QStringLiteral("move"))) {
        if (const QString why = applyMove(move, o.layout); !why.isEmpty())
            return why;
    }
    return {};
}

QString checkArguments(QCommandLineParser& parser, const QStringList& arguments)
{
    for (const Spec& spec : specs())
        parser.addOption(QCommandLineOption(spec.names, {}, spec.valueName));
    if (const QString why = optionAsValue(arguments); !why.isEmpty())
        return why;
    if (!parser.parse(QStringList{QStringLiteral("vorlith-batch")} + arguments)) {
        QString why = parser.errorText();
        if (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        return why + QStringLiteral(" (see --help)");
    }
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().first());
    for (const Spec& spec : specs()) {
        if (!spec.valueName.isEmpty() && !spec.repeatable && parser.values(spec.names.last()).size() > 1)
            return QStringLiteral("%1 may be given once").arg(spelled(spec.names.last()));
    }
    return {};
}

} // namespace

ParsedOptions parseOptions(const QStringList& arguments, int defaultJobs)
{
    ParsedOptions parsed;
    parsed.options.jobs = qBound(1, defaultJobs, kMaxJobs);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parsed.error = checkArguments(parser, arguments);
    if (!parsed.error.isEmpty())
        return parsed;
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.version = parser.isSet(QStringLiteral("version"));
    if (parsed.help || parsed.version)
        return parsed;
    parsed.error = applyValues(parser, parsed.options);
    if (parsed.error.isEmpty())
        parsed.error = applyLayout(parser, parsed.options);
    if (!parsed.error.isEmpty())
        return parsed;
    if (parsed.options.input.isEmpty())
        parsed.error = QStringLiteral("--input DIR is required (the material folder)");
    else if (parsed.options.output.isEmpty())
        parsed.error = QStringLiteral("--output DIR is required (where the pictures go)");
    return parsed;
}

QString counted(qsizetype n, const QString& singular, const QString& plural)
{
    const QString noun = n == 1 ? singular : plural.isEmpty() ? singular + QLatin1Char('s') : plural;
    return QStringLiteral("%1 %2").arg(n).arg(noun);
}

namespace {

// Lines indented by `indent`, the first one after `head` (padded to the indent, or on a line of its own when
// it is longer).
QString hangingLines(const QString& head, int indent, const QString& lines)
{
    const QString margin(indent, QLatin1Char(' '));
    QString out = head.size() < indent ? head.leftJustified(indent) : head + QLatin1Char('\n') + margin;
    out += QString(lines).replace(QLatin1Char('\n'), QLatin1Char('\n') + margin);
    return out + QLatin1Char('\n');
}

QString optionsHelp()
{
    QString out;
    for (const Spec& spec : specs()) {
        QStringList spellings;
        for (const QString& name : spec.names)
            spellings.append(spelled(name));
        QString head = QStringLiteral("  ") + spellings.join(QStringLiteral(", "));
        if (!spec.valueName.isEmpty())
            head += QLatin1Char(' ') + spec.valueName;
        out += hangingLines(head, 24, spec.help);
    }
    return out;
}

struct ExitHelp {
    int status;
    QString help;
};

QString exitStatusHelp()
{
    const ExitHelp table[] = {
        {kExitDone, QStringLiteral("every material written (or already there, with --skip-existing)")},
        {kExitSkipped, QStringLiteral("some materials skipped (each listed with its reason on standard error)")},
        {kExitUsage,
         QStringLiteral("bad options, an unusable folder, files in the way, output names that clash, or no\n"
                        "thread to be had (a process or memory limit)")},
        {kExitWriteFailed,
         QStringLiteral("cut short: an output could not be written (disk full, read-only, folder gone, I/O\n"
                        "error); the pictures written before it stay")},
        {kExitSignalBase + SIGINT,
         QStringLiteral("stopped by Ctrl-C; %1 stopped by SIGTERM").arg(kExitSignalBase + SIGTERM)},
    };
    QString out;
    for (const ExitHelp& row : table)
        out += hangingLines(QStringLiteral("  %1").arg(row.status), 7, row.help);
    return out;
}

} // namespace

QString helpText(int defaultJobs)
{
    QString text = QStringLiteral("Usage: vorlith-batch -i DIR -o DIR [options]\n"
                                  "\n"
                                  "Composes every material picture of a folder under the badges, inside the black "
                                  "%1 x %2 frame,\n")
                       .arg(material::kFrameSize.width())
                       .arg(material::kFrameSize.height());
    text += QStringLiteral(
        "exactly as the window's batch does, and writes them as PNG files: 1.png, 2.png, ... in listing\n"
        "order, or named after their materials.\n"
        "\n"
        "Options (each value after the option or after =: -o out, --output=out):\n");
    text += optionsHelp().arg(defaultJobs);
    text += QStringLiteral("\nBadges: ") + badgeNames() + QLatin1Char('\n');
    text += QStringLiteral(
        "\n"
        "Ctrl-C or SIGTERM stops the run after the pictures in progress; a second one stops it at once.\n"
        "Either way every file left in the output folder is a whole picture.\n"
        "\n"
        "Exit status:\n");
    text += exitStatusHelp();
    text += QStringLiteral("\n"
                           "Examples:\n"
                           "  vorlith-batch -i ~/materials -o ~/out\n"
                           "  vorlith-batch -i ~/materials -f png -o ~/out --hide 所有年字 --move 会员Lv7=2,0\n"
                           "  vorlith-batch -i ~/materials -o ~/out --layout my.layout --start 101 --overwrite\n"
                           "  vorlith-batch -i ~/materials -o ~/out --names material --skip-existing\n"
                           "  vorlith-batch -i ~/materials -o ~/out --dry-run\n");
    return text;
}

} // namespace cli
