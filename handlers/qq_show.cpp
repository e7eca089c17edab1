#include "handlers/qq_show.h"

#include <QtGlobal>

namespace handlers {

namespace {
// The QQ Show picture server, plain HTTP.
constexpr char kPictureServer[] = "http://qqshow-avatar.qq.com/";
} // namespace

QString pictureServerBase()
{
    QString base = qEnvironmentVariable("VORLITH_SHOW_SERVER");
    if (base.isEmpty())
        return QString::fromLatin1(kPictureServer);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base;
}

QString lookupAddress(const QString& number)
{
    return pictureServerBase() + number + QStringLiteral("/8012/");
}

void lookupQqShow(core::Controls& controls)
{
    const QString number = controls.text(core::ids::QqNumberBox);
    if (number.isEmpty())
        return;
    controls.setAddress(core::ids::QqShowViewer, lookupAddress(number));
}

} // namespace handlers
