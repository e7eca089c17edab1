#include "ui/handlers.h"

#include "show/badges.h"
#include "show/lookup.h"
#include "show/saving.h"

namespace ui {

HandlerTable defaultHandlers()
{
    HandlerTable table;
    table.bind(Handler::QqShowLookup, [](core::Controls& c, int) { show::lookupQqShow(c); });
    table.bind(Handler::SaveQqShow, [](core::Controls& c, int) { show::saveFrame(c, core::ids::ViewerFrame); });
    table.bind(Handler::ToggleBadge, [](core::Controls& c, int badge) { show::toggleBadge(c, badge); });
    table.bind(Handler::Nudge,
               [](core::Controls& c, int direction) { show::nudgeBadge(c, static_cast<show::Direction>(direction)); });
    table.bind(Handler::RestoreBadges, [](core::Controls& c, int) { show::restoreBadges(c); });
    table.bind(Handler::Upload, [](core::Controls& c, int) { show::uploadPicture(c); });
    table.bind(Handler::SavePicture,
               [](core::Controls& c, int) { show::saveFrame(c, core::ids::CompositionFrame); });
    return table;
}

} // namespace ui
