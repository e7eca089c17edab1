#include "ui/badge_layout_menu.h"

#include "material/badge_layout.h"
#include "ui/badge_editing.h"
#include "ui/control_widgets.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace ui {

namespace {

const QString kSaveText = QStringLiteral("保存图标布局…");
const QString kLoadText = QStringLiteral("载入图标布局…");
const QStringList kFilter{QStringLiteral("图标布局 (*.layout)"), QStringLiteral("所有文件 (*)")};
const QString kFitText = QStringLiteral("图片适配");

struct FitChoice {
    material::Fit fit;
    const char16_t* text;
};

constexpr FitChoice kFitChoices[] = {
    {material::Fit::Stretch, u"拉伸填满"},
    {material::Fit::Cover, u"裁剪填满（居中）"},
    {material::Fit::CoverTop, u"裁剪填满（保留顶部）"},
    {material::Fit::Contain, u"完整显示（留白）"},
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
    connect(menu->addAction(kSaveText), &QAction::triggered, this, &BadgeLayoutMenu::askAndSave);
    connect(menu->addAction(kLoadText), &QAction::triggered, this, &BadgeLayoutMenu::askAndLoad);
    QMenu* fits = menu->addMenu(kFitText);
    auto* group = new QActionGroup(fits);
    for (const FitChoice& choice : kFitChoices) {
        QAction* action = fits->addAction(QString::fromUtf16(choice.text));
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
    QFileDialog dialog(m_area->window(), mode == QFileDialog::AcceptSave ? kSaveText : kLoadText);
    dialog.setNameFilters(kFilter);
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
        QMessageBox::warning(m_area->window(), kSaveText, QStringLiteral("无法保存图标布局：") + why);
}

void BadgeLayoutMenu::askAndLoad()
{
    const QString path = chooseFile(QFileDialog::AcceptOpen);
    if (path.isEmpty())
        return;
    const QString why = loadFrom(path);
    if (!why.isEmpty())
        QMessageBox::warning(m_area->window(), kLoadText, QStringLiteral("无法载入图标布局：") + why);
}

BadgeLayoutMenu* installBadgeLayoutMenu(MainWindow& window, core::Controls& controls, BadgeHistory& history)
{
    QWidget* area = window.widget(core::ids::EffectArea);
    return area ? new BadgeLayoutMenu(
                      area, window.controlAs<PictureBox>(core::ids::CompositionPicture), controls, history)
                : nullptr;
}

} // namespace ui
