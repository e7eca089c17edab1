#include "ui/badge_layout_menu.h"

#include "material/badge_layout.h"
#include "ui/badge_editing.h"
#include "ui/main_window.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace ui {

namespace {

const QString kSaveText = QStringLiteral("保存图标布局…");
const QString kLoadText = QStringLiteral("载入图标布局…");
const QString kFilter = QStringLiteral("图标布局 (*.layout);;所有文件 (*)");

} // namespace

BadgeLayoutMenu::BadgeLayoutMenu(QWidget* area, core::Controls& controls, BadgeHistory& history)
    : QObject(area), m_area(area), m_controls(controls), m_history(history)
{
    area->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(area, &QWidget::customContextMenuRequested, this, &BadgeLayoutMenu::showMenu);
}

QString BadgeLayoutMenu::saveTo(const QString& path)
{
    return material::writeBadgeLayoutFile(path, material::badgeLayoutOf(m_controls));
}

QString BadgeLayoutMenu::loadFrom(const QString& path)
{
    const material::BadgeLayoutResult read = material::readBadgeLayoutFile(path);
    // A bad file changes nothing: the badges keep the layout they have.
    if (!read.error.isEmpty())
        return read.error;
    m_history.record([&] { material::applyBadgeLayout(m_controls, read.layout); });
    return {};
}

QMenu* BadgeLayoutMenu::makeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(kSaveText), &QAction::triggered, this, &BadgeLayoutMenu::askAndSave);
    connect(menu->addAction(kLoadText), &QAction::triggered, this, &BadgeLayoutMenu::askAndLoad);
    return menu;
}

void BadgeLayoutMenu::showMenu(const QPoint& pos)
{
    makeMenu(m_area)->popup(m_area->mapToGlobal(pos));
}

void BadgeLayoutMenu::askAndSave()
{
    const QString path = QFileDialog::getSaveFileName(
        m_area->window(), kSaveText, QString(), kFilter, nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    const QString why = saveTo(path);
    if (!why.isEmpty())
        QMessageBox::warning(m_area->window(), kSaveText, QStringLiteral("无法保存图标布局：") + why);
}

void BadgeLayoutMenu::askAndLoad()
{
    const QString path = QFileDialog::getOpenFileName(
        m_area->window(), kLoadText, QString(), kFilter, nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    const QString why = loadFrom(path);
    if (!why.isEmpty())
        QMessageBox::warning(m_area->window(), kLoadText, QStringLiteral("无法载入图标布局：") + why);
}

BadgeLayoutMenu* installBadgeLayoutMenu(MainWindow& window, core::Controls& controls, BadgeHistory& history)
{
    QWidget* area = window.widget(core::ids::EffectArea);
    return area ? new BadgeLayoutMenu(area, controls, history) : nullptr;
}

} // namespace ui
