#include "ui/badge_layout_menu.h"

#include "core/messages.h"
#include "material/badge_layout.h"
#include "ui/badge_editing.h"
#include "ui/control_widgets.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>

namespace ui {

namespace {

QString saveText()
{
    return core::chineseText(core::MessageCode::SaveLayout);
}

QString loadText()
{
    return core::chineseText(core::MessageCode::LoadLayout);
}

struct FitChoice {
    material::Fit fit;
    core::MessageCode text;
};

constexpr FitChoice kFitChoices[] = {
    {material::Fit::Stretch, core::MessageCode::FitStretch},
    {material::Fit::Cover, core::MessageCode::FitCover},
    {material::Fit::CoverTop, core::MessageCode::FitCoverTop},
    {material::Fit::Contain, core::MessageCode::FitContain},
};

} // namespace

BadgeLayoutMenu::BadgeLayoutMenu(QWidget* area, PictureBox* picture, core::Controls& controls, BadgeHistory& history)
    : QObject(area), m_area(area), m_picture(picture), m_controls(controls), m_history(history)
{
    area->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(area, &QWidget::customContextMenuRequested, this, &BadgeLayoutMenu::showMenu);
}

QString BadgeLayoutMenu::saveTo(const QString& path)
{
    return material::writeBadgeLayoutFile(path, material::badgeLayoutOf(m_controls), fit());
}

QString BadgeLayoutMenu::loadFrom(const QString& path)
{
    const material::BadgeLayoutResult read = material::readBadgeLayoutFile(path);
    // A bad file changes nothing: the badges keep the layout they have.
    if (read.reason)
        return core::chineseText(read.reason);
    m_history.record([&] { material::applyBadgeLayout(m_controls, read.layout); });
    if (read.fit)
        setFit(*read.fit);
    return {};
}

material::Fit BadgeLayoutMenu::fit() const
{
    return m_picture ? m_picture->fit() : material::Fit::Stretch;
}

void BadgeLayoutMenu::setFit(material::Fit fit)
{
    if (m_picture)
        m_picture->setFit(fit);
}

QMenu* BadgeLayoutMenu::makeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(saveText()), &QAction::triggered, this, &BadgeLayoutMenu::askAndSave);
    connect(menu->addAction(loadText()), &QAction::triggered, this, &BadgeLayoutMenu::askAndLoad);
    QMenu* fits = menu->addMenu(core::chineseText(core::MessageCode::PictureFit));
    auto* group = new QActionGroup(fits);
    for (const FitChoice& choice : kFitChoices) {
        QAction* action = fits->addAction(core::chineseText(choice.text));
        action->setCheckable(true);
        action->setChecked(choice.fit == fit());
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, fit = choice.fit] { setFit(fit); });
    }
    return menu;
}

void BadgeLayoutMenu::showMenu(const QPoint& pos)
{
    makeMenu(m_area)->popup(m_area->mapToGlobal(pos));
}

// The file the user chose in a layout dialog, or empty on cancel. A saved name without a suffix gets
// ".layout", so the load dialog's filter shows it; the overwrite question is about that name.
QString BadgeLayoutMenu::chooseFile(QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(m_area->window(), mode == QFileDialog::AcceptSave ? saveText() : loadText());
    dialog.setNameFilters(
        {core::chineseText(core::MessageCode::LayoutFilter), core::chineseText(core::MessageCode::AllFiles)});
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("layout"));
    return execDialog(dialog) ? dialog.selectedFiles().constFirst() : QString();
}

void BadgeLayoutMenu::askAndSave()
{
    const QString path = chooseFile(QFileDialog::AcceptSave);
    if (path.isEmpty())
        return;
    const QString why = saveTo(path);
    if (!why.isEmpty())
        m_controls.showMessage(saveText(), core::chineseText(core::MessageCode::CannotSaveLayout, {why}));
}

void BadgeLayoutMenu::askAndLoad()
{
    const QString path = chooseFile(QFileDialog::AcceptOpen);
    if (path.isEmpty())
        return;
    const QString why = loadFrom(path);
    if (!why.isEmpty())
        m_controls.showMessage(loadText(), core::chineseText(core::MessageCode::CannotLoadLayout, {why}));
}

BadgeLayoutMenu* installBadgeLayoutMenu(MainWindow& window, core::Controls& controls, BadgeHistory& history)
{
    QWidget* area = window.widget(core::ids::EffectArea);
    return area ? new BadgeLayoutMenu(
                      area, window.controlAs<PictureBox>(core::ids::CompositionPicture), controls, history)
                : nullptr;
}

} // namespace ui
