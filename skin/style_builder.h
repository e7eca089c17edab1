#pragma once

// Turns a skin description into what Qt draws with: an application palette and a style sheet.
#include "skin/skin_format.h"

#include <QPalette>
#include <QString>

namespace skin {

QPalette buildPalette(const SkinDescription& skin);
QString buildStyleSheet(const SkinDescription& skin);

} // namespace skin
