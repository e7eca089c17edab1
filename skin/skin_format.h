#pragma once

// Reading the engine's skin files into a plain description. Everything is copied out of the caller's bytes.
#include <QColor>
#include <QString>
#include <array>
#include <cstdint>

namespace skin {

enum class Role : uint8_t {
    Window,
    WindowText,
    Base,
    Text,
    Button,
    ButtonText,
    Highlight,
    HighlightText,
    Border,
    Accent,
    Hover,
};
inline constexpr int kRoleCount = 11;

enum class Metric : uint8_t { Radius, BorderWidth, Padding };

struct SkinDescription {
    QString name;
    std::array<QColor, kRoleCount> colours;
    int radius = 3;
    int borderWidth = 1;
    int padding = 4;

    QColor colour(Role role) const { return colours[static_cast<size_t>(role)]; }
};

// Parses a skin; returns VORLITH_SKIN_OK and fills `out`, or the first fault found (a VorlithSkinResult).
int parseSkin(const unsigned char* data, int length, SkinDescription& out);

} // namespace skin
