#pragma once

// The real main window, built from its layout and shown on the test's X server. The web view is pointed at
// a closed loopback port, so no test ever reaches out to the network.
#include "ui/control_widgets.h"
#include "ui/widget_controls.h"
#include "ui/window_builder.h"

#include <QTest>

namespace testutil {

inline void keepWebViewLocal()
{
    if (qEnvironmentVariableIsEmpty("VORLITH_SHOW_SERVER"))
        qputenv("VORLITH_SHOW_SERVER", "http://127.0.0.1:9/");
}

struct ShownWindow {
    explicit ShownWindow(const ui::HandlerTable& handlers = ui::defaultHandlers())
    {
        keepWebViewLocal();
        built = ui::buildMainWindow(handlers);
        if (built.window) {
            built.window->show();
            ok = QTest::qWaitForWindowExposed(built.window.get());
        }
    }
    ui::MainWindow& window() { return *built.window; }
    ui::WidgetControls& controls() { return *built.controls; }
    QWidget* widget(core::ControlId id) { return built.window->widget(id); }

    ui::BuiltWindow built;
    bool ok = false;
};

} // namespace testutil
