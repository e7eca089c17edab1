#include "app/startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The web view shares its GL context with the window; this must be set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    return app::run(application);
}
