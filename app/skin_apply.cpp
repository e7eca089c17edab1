#include "app/skin_apply.h"

#include "app/external_table.h"
#include "app/fatal_report.h"
#include "app/skin_deploy.h"
#include "assets/assets.h"

#include <QCoreApplication>

namespace app {

QByteArray carriedSkin(int number)
{
    if (number < 1 || number > kSkinCount)
        return {};
    return assets::resourceBytes(QStringLiteral(":/skins/%1.vskin").arg(number, 2, 10, QLatin1Char('0')));
}

int attachSkin(int number, ExternalTable& table)
{
    const auto attach = table.as<SkinAttachFunction>(kSkinAttachEntry);
    const QByteArray carried = carriedSkin(number);
    if (carried.isEmpty())
        return attach(nullptr, 0, "", 0, 0, 0);
    // A copy of its own for the engine, released as soon as the call returns: the engine may not hold on to it.
    const QByteArray copy = allocateBlock(carried.constData(), carried.size());
    return attach(reinterpret_cast<const unsigned char*>(copy.constData()), static_cast<int>(copy.size()), "", 0, 0, 0);
}

void applySkin(int number)
{
    deploySkinEngine(QCoreApplication::applicationDirPath());
    attachSkin(number, externalTable());
}

} // namespace app
