#include "skin/vorlith_skin.h"

#include "skin/skin_format.h"
#include "skin/style_builder.h"

#include <QApplication>
#include <QStyleFactory>

extern "C" {

int vorlith_skin_validate(const unsigned char* data, int length)
{
    skin::SkinDescription parsed;
    return skin::parseSkin(data, length, parsed);
}

int vorlith_skin_attach(const unsigned char* data,
                        int length,
                        const char* /*text*/,
                        int /*reserved1*/,
                        int /*reserved2*/,
                        int /*reserved3*/)
{
    // Everything the skin says is copied into `parsed` here; nothing below looks at `data` again.
    skin::SkinDescription parsed;
    if (const int r = skin::parseSkin(data, length, parsed); r != VORLITH_SKIN_OK)
        return r;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return VORLITH_SKIN_NO_APPLICATION;
    // Fusion takes palettes and style sheets alike on every platform, so a skin looks the same everywhere.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(skin::buildPalette(parsed));
    app->setStyleSheet(skin::buildStyleSheet(parsed));
    return VORLITH_SKIN_OK;
}

} // extern "C"
