#include "ui/file_dialog.h"

#include "material/picture_formats.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace ui {

FileDialogControl::FileDialogControl(const QString& filter, QObject* parent) : QObject(parent)
{
    // "图片文件(*.jpg,*.bmp)|*.jpg;*.bmp": the toolkit shows the description and matches the patterns, which it
    // takes from the last parentheses; so the patterns are written there, separated by spaces.
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const QString description = parts.value(0);
    QString patterns = parts.value(1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    m_nameFilter = description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

QStringList FileDialogControl::openFilters() const
{
    QStringList all;
    QStringList kinds;
    for (const material::PictureFormat& format : material::kPictureFormats) {
        const QString patterns = QString::fromUtf16(format.patterns);
        all << patterns;
        kinds << QStringLiteral("%1 图片 (%2)").arg(QString::fromUtf16(format.name), patterns);
    }
    return QStringList{m_nameFilter, QStringLiteral("所有支持的图片 (%1)").arg(all.join(QLatin1Char(' ')))} + kinds +
           QStringList{QStringLiteral("所有文件 (*)")};
}

bool FileDialogControl::show(QWidget* owner)
{
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (m_mode == core::DialogMode::Open)
        dialog.setNameFilters(openFilters());
    else
        dialog.setNameFilter(m_nameFilter);
    dialog.setViewMode(QFileDialog::Detail);
    if (m_mode == core::DialogMode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!m_fileName.isEmpty()) {
        QFileInfo last(m_fileName);
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    return true;
}

} // namespace ui
