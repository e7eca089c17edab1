// A small program for the application shell's tests that must watch a process end: fatal reports, failed
// bindings, skin application in a folder of its own. Run with VORLITH_SHOW_NO_MESSAGE_BOX=1 by the tests.
//   shell_probe report <code> <message>       fatal report
//   shell_probe alloc <bytes>                 allocate a block of that size
//   shell_probe bind <dir> <library> <fn>     bind entry 0 of a table with that program folder
//   shell_probe deploy <dir>                  deploy the engine into <dir>, print what the folder holds
//   shell_probe skin <number>                 deploy and apply a skin as start-up does, print the look
#include "app/external_table.h"
#include "app/fatal_report.h"
#include "app/skin_apply.h"
#include "app/skin_deploy.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

namespace {

int bind(const QStringList& args)
{
    app::ExternalTable table(args.value(2), {{args.value(3), args.value(4)}});
    table.function(0);
    std::printf("bound\n");
    return 0;
}

int deploy(const QStringList& args)
{
    const bool wrote = app::deploySkinEngine(args.value(2));
    const QFileInfoList entries = QDir(args.value(2)).entryInfoList(QDir::Files | QDir::Hidden);
    std::printf("wrote=%d\n", wrote ? 1 : 0);
    for (const QFileInfo& e : entries)
        std::printf("file %s %lld\n", qPrintable(e.fileName()), static_cast<long long>(e.size()));
    return 0;
}

int skin(const QStringList& args)
{
    app::applySkin(args.value(2).toInt());
    QPushButton later(QStringLiteral("按钮"));
    later.ensurePolished();
    std::printf("sheet=%lld button=%s\n",
                static_cast<long long>(qApp->styleSheet().size()),
                qPrintable(later.palette().color(QPalette::Button).name()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // An exit handler: a fatal report must end the process without running it.
    std::atexit([] { std::puts("exit handler ran"); });
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("report"))
        app::fatalReport(args.value(3), args.value(2).toInt());
    if (mode == QLatin1String("alloc"))
        return app::allocateBlock(nullptr, args.value(2).toLongLong()).isEmpty() ? 1 : 0;
    if (mode == QLatin1String("bind"))
        return bind(args);
    if (mode == QLatin1String("deploy"))
        return deploy(args);
    if (mode == QLatin1String("skin"))
        return skin(args);
    return 2;
}
