#include "app/startup.h"

#include <QApplication>
#include <QLoggingCategory>

int main(int argc, char* argv[])
{
    app::setIdentity();
    // --help and --version answer without a display and end here.
    if (app::answersCommandLine(argc, argv))
        return 0;
    // The web view shares its GL context with the window; this must be set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web engine reports its whole start-up configuration at info level; QT_LOGGING_RULES still overrides.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QApplication application(argc, argv);
    return app::run(application);
}
