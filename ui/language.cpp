#include "ui/language.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

namespace {
// Chinese as written in mainland China: simplified characters, the program's own texts.
QLocale interfaceLocale()
{
    return QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
}
} // namespace

bool useChineseInterface()
{
    QLocale::setDefault(interfaceLocale());
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    auto* qt = new QTranslator(QCoreApplication::instance());
    // "qt" is Qt's catalogue of catalogues: it pulls in the translations of every installed Qt module.
    if (!qt->load(interfaceLocale(),
                  QStringLiteral("qt"),
                  QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    translator = qt;
    return true;
}

void useInterfaceFont()
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

QString acceptLanguage()
{
    return QStringLiteral("zh-CN,zh;q=0.9");
}

} // namespace ui
