#include "app/startup.h"

#include "app/fatal_report.h"
#include "app/skin_apply.h"
#include "core/messages.h"
#include "handlers/qq_show.h"
#include "ui/language.h"
#include "ui/widget_controls.h"
#include "ui/window_builder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QScreen>

#include <cstring>
#include <unistd.h>

namespace app {

namespace {

ui::HandlerTable handlers()
{
    ui::HandlerTable table = ui::defaultHandlers();
    // The start-up handler: look up the default QQ number, then dress the window in the start-up skin.
    table.bind(ui::Handler::StartUp, [](core::Controls& controls, int) {
        handlers::lookupQqShow(controls);
        applySkin(kStartupSkin);
    });
    return table;
}

} // namespace

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vorlith-show"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORLITH_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(VORLITH_APP_ID));
}

bool answersCommandLine(int argc, char** argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return false;
    QCoreApplication console(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(core::englishText(core::MessageCode::WindowHelp));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(console); // prints the answer and ends the process
    return true;
}

QString rootSandboxProblem()
{
    const bool sandboxOff = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
                            qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox"));
    if (geteuid() != 0 || sandboxOff)
        return {};
    return core::chineseText(core::MessageCode::RootSandbox);
}

int run(QApplication& application)
{
    // Said before the web view exists: the web engine itself would end the process with a line of its own.
    if (const QString problem = rootSandboxProblem(); !problem.isEmpty())
        fatalReport(problem, 0);
    // Relative paths resolve against the program's own folder, wherever it was started from.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Chinese throughout, also in the toolkit's own dialogs and the web engine's pages, whatever the system's
    // language; set before the first window and web view exist.
    if (!ui::useChineseInterface())
        qWarning("%s", core::englishBytes(core::MessageCode::NoChineseTranslations));

    // The layout's fixed control sizes were made for a 12-pixel CJK interface font.
    ui::useInterfaceFont();

    const ui::HandlerTable table = handlers();
    ui::BuiltWindow built = ui::buildMainWindow(table);
    if (!built.window)
        fatalReport(core::chineseText(core::MessageCode::NoStartWindow), 0);

    built.window->show();
    if (QScreen* screen = built.window->screen())
        built.window->move(ui::centredPosition(screen->size(), built.window->frameGeometry().size()));
    ui::raiseCreated(built, table);

    // Closing the last window ends the loop (the toolkit's quitOnLastWindowClosed).
    return application.exec();
}

} // namespace app
