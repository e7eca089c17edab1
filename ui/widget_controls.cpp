#include "ui/widget_controls.h"

#include "core/badges.h"
#include "core/messages.h"
#include "material/badge_layout.h"
#include "material/composition.h"
#include "ui/control_widgets.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
#include "ui/web_view.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace ui {

using core::ControlId;

QString WidgetControls::text(ControlId id) const
{
    if (auto* edit = m_window.controlAs<QLineEdit>(id))
        return edit->text();
    if (auto* box = m_window.controlAs<QPlainTextEdit>(id)) {
        // Multi-line boxes hold their lines separated by CR LF, as they were written.
        QString text = box->toPlainText();
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        return text;
    }
    if (auto* combo = m_window.controlAs<QComboBox>(id))
        return combo->currentText();
    return {};
}

void WidgetControls::setText(ControlId id, const QString& text)
{
    if (auto* edit = m_window.controlAs<QLineEdit>(id)) {
        edit->setText(text);
    } else if (auto* box = m_window.controlAs<QPlainTextEdit>(id)) {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        box->setPlainText(plain);
    } else if (auto* combo = m_window.controlAs<QComboBox>(id)) {
        combo->setEditText(text);
    }
}

int WidgetControls::left(ControlId id) const
{
    QWidget* w = m_window.widget(id);
    return w ? w->x() : 0;
}

int WidgetControls::top(ControlId id) const
{
    QWidget* w = m_window.widget(id);
    return w ? w->y() : 0;
}

void WidgetControls::setLeft(ControlId id, int left)
{
    if (QWidget* w = m_window.widget(id))
        w->move(left, w->y());
}

void WidgetControls::setTop(ControlId id, int top)
{
    if (QWidget* w = m_window.widget(id))
        w->move(w->x(), top);
}

bool WidgetControls::isVisible(ControlId id) const
{
    // The control's own visible flag, whichever page is shown.
    QWidget* w = m_window.widget(id);
    return w && !w->isHidden();
}

void WidgetControls::setVisible(ControlId id, bool visible)
{
    if (QWidget* w = m_window.widget(id))
        w->setVisible(visible);
}

core::Reason WidgetControls::setPicture(ControlId id, const QByteArray& bytes)
{
    auto* box = m_window.controlAs<PictureBox>(id);
    return box ? box->setPictureBytes(bytes) : core::Reason(core::ReasonCode::CannotShow);
}

bool WidgetControls::hasPicture(ControlId id) const
{
    auto* box = m_window.controlAs<PictureBox>(id);
    return box && box->hasPicture();
}

core::Reason WidgetControls::pictureWarning(ControlId id) const
{
    auto* box = m_window.controlAs<PictureBox>(id);
    return box ? box->warning() : core::Reason();
}

QString WidgetControls::address(ControlId id) const
{
    auto* view = m_window.controlAs<WebView>(id);
    return view ? view->address() : QString();
}

void WidgetControls::setAddress(ControlId id, const QString& address)
{
    if (auto* view = m_window.controlAs<WebView>(id))
        view->setAddress(address);
}

QString WidgetControls::loadFailure(ControlId id) const
{
    auto* view = m_window.controlAs<WebView>(id);
    return view ? view->loadFailure() : QString();
}

int WidgetControls::interval(ControlId id) const
{
    auto* timer = m_window.controlAs<TimerControl>(id);
    return timer ? timer->interval() : 0;
}

void WidgetControls::setInterval(ControlId id, int ms)
{
    if (auto* timer = m_window.controlAs<TimerControl>(id))
        timer->setInterval(ms);
}

core::DialogMode WidgetControls::dialogMode(ControlId id) const
{
    auto* dialog = m_window.controlAs<FileDialogControl>(id);
    return dialog ? dialog->mode() : core::DialogMode::Open;
}

void WidgetControls::setDialogMode(ControlId id, core::DialogMode mode)
{
    if (auto* dialog = m_window.controlAs<FileDialogControl>(id))
        dialog->setMode(mode);
}

QString WidgetControls::dialogFileName(ControlId id) const
{
    auto* dialog = m_window.controlAs<FileDialogControl>(id);
    return dialog ? dialog->fileName() : QString();
}

bool WidgetControls::showDialog(ControlId id)
{
    auto* dialog = m_window.controlAs<FileDialogControl>(id);
    return dialog && dialog->show(&m_window);
}

int WidgetControls::lineCount(ControlId id) const
{
    if (auto* box = m_window.controlAs<QPlainTextEdit>(id))
        return box->toPlainText().isEmpty() ? 0 : box->document()->blockCount();
    return text(id).isEmpty() ? 0 : 1;
}

QString WidgetControls::line(ControlId id, int index) const
{
    if (auto* box = m_window.controlAs<QPlainTextEdit>(id)) {
        if (index < 0 || index >= lineCount(id))
            return {};
        return box->document()->findBlockByNumber(index).text();
    }
    return index == 0 ? text(id) : QString();
}

QImage WidgetControls::renderComposition()
{
    auto* box = m_window.controlAs<PictureBox>(core::ids::CompositionPicture);
    if (!box)
        return {};
    std::array<QImage, core::kBadgeCount> bitmaps;
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        if (auto* badge = m_window.controlAs<BadgeButton>(core::kBadges[i].id))
            bitmaps[i] = badge->bitmap();
    }
    return material::renderCompositionFitted(box->shown(),
                                             material::badgeLayers(material::badgeLayoutOf(*this), bitmaps));
}

QImage WidgetControls::renderFrame(ControlId id)
{
    if (id == core::ids::CompositionFrame)
        return renderComposition();
    if (id == core::ids::ViewerFrame) {
        if (auto* view = m_window.controlAs<WebView>(core::ids::QqShowViewer))
            return view->renderViewerFrame();
    }
    return {};
}

QImage WidgetControls::badgeBitmap(ControlId id) const
{
    auto* badge = m_window.controlAs<BadgeButton>(id);
    return badge ? badge->bitmap() : QImage();
}

int WidgetControls::pictureFit(ControlId id) const
{
    auto* box = m_window.controlAs<PictureBox>(id);
    return static_cast<int>(box ? box->fit() : material::Fit::Stretch);
}

void WidgetControls::showPicture(ControlId id, const QImage& fitted, const core::Reason& warning)
{
    if (auto* box = m_window.controlAs<PictureBox>(id))
        box->showFitted(fitted, warning);
}

QString WidgetControls::browseForFolder(const QString& prompt)
{
    // The toolkit's own folder chooser: folders only, with a field for typing a path.
    QFileDialog dialog(&m_window, prompt);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!execDialog(dialog))
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void WidgetControls::showMessage(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, &m_window);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool WidgetControls::askYesNo(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, &m_window);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void WidgetControls::setStatus(const QString& text)
{
    m_window.setStatus(text);
}

void WidgetControls::setProgress(int done, int total)
{
    m_desktop.setProgress(done, total);
}

void WidgetControls::announceRunEnd(int saved, int skipped)
{
    // A user who is looking at the window sees the end there; one who went elsewhere hears of it.
    if (m_window.isActiveWindow())
        return;
    m_desktop.notify(
        core::chineseText(core::MessageCode::RunEndNotice),
        core::chineseText(core::MessageCode::RunEndNoticeBody, {QString::number(saved), QString::number(skipped)}));
}

} // namespace ui
