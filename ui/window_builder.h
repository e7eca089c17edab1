#pragma once

#include "ui/handlers.h"
#include "ui/main_window.h"

#include <memory>

namespace ui {

class WidgetControls;

// The built window and the property access its handlers use.
struct BuiltWindow {
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WidgetControls> controls;
};

// Creates the window and every control from the layout, at its rectangle with its initial properties, stacked
// in list order, and binds each control's event to its handler. The created event is not raised here: the
// caller shows the window and then calls raiseCreated(). An empty window when the layout cannot be built.
BuiltWindow buildMainWindow(const HandlerTable& handlers);

// Runs the window's created-event handler. Call it once, after the window is shown and before the event loop.
void raiseCreated(BuiltWindow& built, const HandlerTable& handlers);

// The window's position on a screen of the given size: centred, rounding toward zero.
QPoint centredPosition(QSize screen, QSize window);

} // namespace ui
