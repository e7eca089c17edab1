#pragma once

#include <QString>

// The window speaks Chinese whatever the system's language.
namespace ui {

// Makes Chinese (China) the default locale and installs Qt's own Chinese translations on the running
// application, so every standard dialog, button and question of the toolkit is Chinese. The web engine takes
// its interface language (error pages) from the default locale when it starts, so this must run before the
// first web view is made. Safe to call more than once. False when Qt's translations are not installed; the
// program then runs with the toolkit's English texts.
bool useChineseInterface();

// What the web view asks servers for, in an Accept-Language header.
QString acceptLanguage();

} // namespace ui
