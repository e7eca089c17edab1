#pragma once

#include <QString>

// The window speaks Chinese whatever the system's language, in a font made for it.
namespace ui {

// Makes Chinese (China) the default locale and installs Qt's own Chinese translations on the running
// application, so every standard dialog, button and question of the toolkit is Chinese. The web engine takes
// its interface language (error pages) from the default locale when it starts, so this must run before the
// first web view is made. Safe to call more than once. False when Qt's translations are not installed; the
// program then runs with the toolkit's English texts.
bool useChineseInterface();

// The interface font: the CJK font the package installs (WenQuanYi Micro Hei; fontconfig stands in another
// when it is missing) at 12 pixels, the size the layout's fixed control sizes were made for. Sizes are in
// pixels of the layout, so at 150 % or 200 % the toolkit draws the same text with more device pixels, crisp.
// Set on the application before the window is built.
void useInterfaceFont();

// What the web view asks servers for, in an Accept-Language header.
QString acceptLanguage();

} // namespace ui
