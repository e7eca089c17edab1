#pragma once

#include "core/controls.h"

#include <QString>

namespace handlers {

// The picture server's base address, ending in "/". VORLITH_SHOW_SERVER, when set, replaces it for the run
// (tests, and users behind a mirror).
QString pictureServerBase();

// The address of a QQ number's show picture: base, the number exactly as typed, "/8012/".
QString lookupAddress(const QString& number);

// Reads the QQ-number box and points the viewer at that number's picture; an empty box changes nothing.
// Every lookup navigates, also to the address already shown.
void lookupQqShow(core::Controls& controls);

} // namespace handlers
