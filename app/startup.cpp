#include "app/startup.h"

#include "app/fatal_report.h"
#include "app/skin_apply.h"
#include "show/lookup.h"
#include "ui/widget_controls.h"
#include "ui/window_builder.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QScreen>

namespace app {

namespace {

ui::HandlerTable handlers()
{
    ui::HandlerTable table = ui::defaultHandlers();
    // The start-up handler: look up the default QQ number, then dress the window in the start-up skin.
    table.bind(ui::Handler::StartUp, [](core::Controls& controls, int) {
        show::lookupQqShow(controls);
        applySkin(kStartupSkin);
    });
    return table;
}

} // namespace

int run(QApplication& application)
{
    // Relative paths resolve against the program's own folder, wherever it was started from.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // The layout's fixed control sizes were made for a 12-pixel interface font: keep the platform's default
    // family at that size so every caption fits its control.
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);

    const ui::HandlerTable table = handlers();
    ui::BuiltWindow built = ui::buildMainWindow(table);
    if (!built.window)
        fatalReport(QStringLiteral("载入启动窗口失败"), 0);

    built.window->show();
    if (QScreen* screen = built.window->screen())
        built.window->move(ui::centredPosition(screen->size(), built.window->frameGeometry().size()));
    ui::raiseCreated(built, table);

    // Closing the last window ends the loop (the toolkit's quitOnLastWindowClosed).
    return application.exec();
}

} // namespace app
