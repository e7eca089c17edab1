#include "app/skin_deploy.h"

#include "app/external_table.h"
#include "assets/assets.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The engine image is a resource generated at build time from the engine library target (app/CMakeLists.txt).
static void initEngineImageResource()
{
    Q_INIT_RESOURCE(engine_image);
}

namespace app {

namespace {

// Marks the deployed engine hidden where the file system has a hidden attribute, so the program folder shows
// what the user put there. Elsewhere hiding would mean a leading dot, which would change the name the engine
// is looked up by, so nothing is done.
void setHiddenAttribute(const QString& path)
{
#ifdef Q_OS_WIN
    SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), FILE_ATTRIBUTE_HIDDEN);
#else
    Q_UNUSED(path);
#endif
}

} // namespace

QByteArray carriedEngineImage()
{
    initEngineImageResource();
    return assets::resourceBytes(QStringLiteral(":/engine/image"));
}

QString skinEnginePath(const QString& programDir)
{
    return programDir + QDir::separator() + skinEngineFileName();
}

QString privateLibraryDir(const QString& programDir)
{
    return QDir::cleanPath(programDir + QLatin1Char('/') + QStringLiteral(VORLITH_PRIVATE_LIBDIR_FROM_BIN));
}

bool deploySkinEngine(const QString& programDir)
{
    const QString path = skinEnginePath(programDir);
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink())
        return false;
    // An installed program never writes into its prefix: a copy there would belong to no package and, after an
    // upgrade, would hide the new engine from every later start.
    if (QFileInfo::exists(skinEnginePath(privateLibraryDir(programDir))))
        return false;
    // Written under a temporary name in the same folder and renamed into place, so a start interrupted halfway
    // never leaves a truncated engine that would make every later start end in the fatal report.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray image = carriedEngineImage();
    if (image.isEmpty() || !file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                        QFileDevice::ExeOther);
    if (file.write(image) != image.size() || !file.commit())
        return false;
    setHiddenAttribute(path);
    return true;
}

} // namespace app
