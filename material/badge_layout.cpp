#include "material/badge_layout.h"

#include "core/text.h"
#include "material/file_reading.h"
#include "material/picture_file.h"

#include <QStringList>

namespace material {

namespace {

// A layout file is a dozen short lines; anything much larger is not one.
constexpr qint64 kMaxLayoutFileBytes = 64 * 1024LL;

bool readCoordinate(const QString& field, int* value)
{
    const std::optional<qint64> v = core::wholeNumber(field);
    if (!v || *v < -kMaxBadgeCoordinate || *v > kMaxBadgeCoordinate)
        return false;
    *value = static_cast<int>(*v);
    return true;
}

constexpr QLatin1StringView kFitKey("fit");

// Reads a "fit NAME" line, line number `n`.
core::Reason readFit(const QString& n, const QStringList& fields, std::optional<Fit>& fit)
{
    if (fit)
        return {core::ReasonCode::LayoutFitTwice, {n}};
    fit = fields.size() == 2 ? fitByName(fields[1]) : std::nullopt;
    if (!fit)
        return {core::ReasonCode::LayoutFit, {n, fitNames()}};
    return {};
}

// Reads one non-comment line, line number `n`, into the result; the reason says what is wrong with it.
core::Reason
readLine(const QString& n, const QString& line, BadgeLayoutResult& result, std::array<bool, core::kBadgeCount>& seen)
{
    using core::ReasonCode;
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields[0] == kFitKey)
        return readFit(n, fields, result.fit);
    BadgeLayout& layout = result.layout;
    if (fields.size() != 4)
        return {ReasonCode::LayoutFieldCount, {n, QString::number(fields.size())}};
    const std::optional<int> index = core::badgeByName(fields[0]);
    if (!index)
        return {ReasonCode::LayoutUnknownBadge, {n, fields[0]}};
    const auto i = static_cast<std::size_t>(*index);
    if (seen[i])
        return {ReasonCode::LayoutBadgeTwice, {n, fields[0]}};
    if (fields[1] != QLatin1String("0") && fields[1] != QLatin1String("1"))
        return {ReasonCode::LayoutVisible, {n, fields[1]}};
    int left = 0;
    int top = 0;
    if (!readCoordinate(fields[2], &left) || !readCoordinate(fields[3], &top))
        return {ReasonCode::LayoutCoordinates,
                {n, QString::number(-kMaxBadgeCoordinate), QString::number(kMaxBadgeCoordinate)}};
    seen[i] = true;
    layout[i] = {fields[1] == QLatin1String("1"), QPoint(left, top)};
    return {};
}

} // namespace

BadgeLayout defaultBadgeLayout()
{
    BadgeLayout layout;
    for (std::size_t i = 0; i < layout.size(); ++i)
        layout[i] = {true, core::kBadges[i].defaultPos};
    return layout;
}

BadgeLayoutResult parseBadgeLayout(const QString& text)
{
    BadgeLayoutResult result{defaultBadgeLayout(), std::nullopt, {}};
    std::array<bool, core::kBadgeCount> seen{};
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        core::Reason why = readLine(QString::number(n + 1), line, result, seen);
        if (why)
            return {defaultBadgeLayout(), std::nullopt, std::move(why)};
    }
    return result;
}

QString formatBadgeLayout(const BadgeLayout& layout, std::optional<Fit> fit)
{
    QString text = QStringLiteral("# vorlith badge layout: name visible(0/1) left top\n");
    for (std::size_t i = 0; i < layout.size(); ++i) {
        text += QStringLiteral("%1 %2 %3 %4\n")
                    .arg(QString::fromUtf16(core::kBadges[i].name))
                    .arg(layout[i].visible ? 1 : 0)
                    .arg(layout[i].pos.x())
                    .arg(layout[i].pos.y());
    }
    if (fit)
        text += QStringLiteral("%1 %2\n").arg(kFitKey, fitName(*fit));
    return text;
}

BadgeLayoutResult readBadgeLayoutFile(const QString& path)
{
    // Never waits: a FIFO or a device given as the layout is refused at once.
    QByteArray bytes;
    core::Reason why = readRegularFile(path, kMaxLayoutFileBytes, bytes);
    if (why)
        return {defaultBadgeLayout(), std::nullopt, std::move(why)};
    return parseBadgeLayout(QString::fromUtf8(bytes));
}

QString writeBadgeLayoutFile(const QString& path, const BadgeLayout& layout, std::optional<Fit> fit)
{
    // The file dialog that chose the name has asked before a file is replaced.
    const WriteResult written = writeOutputFile(path, formatBadgeLayout(layout, fit).toUtf8(), WriteMode::Replace);
    return written.ok() ? QString() : core::chineseText(written.reason);
}

BadgeLayout badgeLayoutOf(const core::Controls& controls)
{
    BadgeLayout layout;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const core::ControlId id = core::kBadges[i].id;
        layout[i] = {controls.isVisible(id), QPoint(controls.left(id), controls.top(id))};
    }
    return layout;
}

void applyBadgeLayout(core::Controls& controls, const BadgeLayout& layout)
{
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const core::ControlId id = core::kBadges[i].id;
        controls.setLeft(id, layout[i].pos.x());
        controls.setTop(id, layout[i].pos.y());
        controls.setVisible(id, layout[i].visible);
    }
}

std::vector<BadgeLayer> badgeLayers(const BadgeLayout& layout, const std::array<QImage, core::kBadgeCount>& bitmaps)
{
    std::vector<BadgeLayer> layers;
    layers.reserve(core::kBadgeCount);
    for (int index : core::kBadgeStacking) {
        const auto i = static_cast<std::size_t>(index);
        layers.push_back({bitmaps[i], layout[i].pos, layout[i].visible});
    }
    return layers;
}

} // namespace material
