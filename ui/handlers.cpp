#include "ui/handlers.h"

#include "handlers/badges.h"
#include "handlers/batch.h"
#include "handlers/qq_show.h"
#include "handlers/saving.h"

namespace ui {

HandlerTable defaultHandlers()
{
    HandlerTable table;
    table.bind(Handler::QqShowLookup, [](core::Controls& c, int) { handlers::lookupQqShow(c); });
    table.bind(Handler::SaveQqShow, [](core::Controls& c, int) { handlers::saveFrame(c, core::ids::ViewerFrame); });
    table.bind(Handler::ToggleBadge, [](core::Controls& c, int badge) { handlers::toggleBadge(c, badge); });
    table.bind(Handler::Nudge, [](core::Controls& c, int direction) {
        handlers::nudgeBadge(c, static_cast<handlers::Direction>(direction));
    });
    table.bind(Handler::RestoreBadges, [](core::Controls& c, int) { handlers::restoreBadges(c); });
    table.bind(Handler::Upload, [](core::Controls& c, int) { handlers::uploadPicture(c); });
    table.bind(Handler::SavePicture,
               [](core::Controls& c, int) { handlers::saveFrame(c, core::ids::CompositionFrame); });

    // The batch handlers keep the run's report between ticks; the table's functions share one set.
    auto batch = std::make_shared<handlers::BatchHandlers>();
    table.bind(Handler::BrowseMaterialFolder, [batch](core::Controls& c, int) { batch->chooseMaterialFolder(c); });
    table.bind(Handler::StartBatch, [batch](core::Controls& c, int) { batch->startRun(c); });
    table.bind(Handler::ListFiles, [batch](core::Controls& c, int) { batch->listFiles(c); });
    table.bind(Handler::BatchStep, [batch](core::Controls& c, int) { batch->step(c); });
    table.bind(Handler::ReadLine, [batch](core::Controls& c, int) { batch->readLine(c); });
    table.bind(Handler::PreviewCurrentFile, [batch](core::Controls& c, int) { batch->previewCurrentFile(c); });
    table.setCloseQuery([batch](core::Controls& c) { return batch->mayClose(c); });
    return table;
}

} // namespace ui
