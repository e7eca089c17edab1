#include "ui/file_dialog.h"

#include "core/messages.h"
#include "material/picture_file.h"
#include "picture/picture.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace ui {

namespace {

QString& lastFolder()
{
    static QString folder;
    return folder;
}

// A save dialog that asks about the file a save will write. The toolkit's own question would be about the
// name as typed: "card" beside card.png would replace it without a word, and "wide.jpg" would ask about
// wide.jpg and then write wide.jpg.png.
class PictureSaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList chosen = acceptMode() == AcceptSave ? selectedFiles() : QStringList();
        // A typed folder name is the dialog's own business: it opens the folder.
        if (chosen.size() == 1 && !QFileInfo(chosen.constFirst()).isDir()) {
            const QFileInfo written(material::withPngSuffix(chosen.constFirst()));
            if (written.exists() || written.isSymLink()) {
                const auto answer =
                    QMessageBox::warning(this,
                                         windowTitle(),
                                         core::chineseText(core::MessageCode::ReplaceFile, {written.fileName()}),
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No);
                if (answer != QMessageBox::Yes)
                    return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

QString dialogStartFolder()
{
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir())
        return lastFolder();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

bool execDialog(QFileDialog& dialog, const QString& offered)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QFileInfo file(offered);
    dialog.setDirectory(offered.isEmpty() ? dialogStartFolder() : file.absolutePath());
    if (!offered.isEmpty())
        dialog.selectFile(file.fileName());
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    // Where the user went: the chosen folder, the folder of the chosen file (a typed path may name another
    // folder than the one shown), or after a cancel the folder the dialog was showing.
    if (!confirmed)
        lastFolder() = dialog.directory().absolutePath();
    else if (dialog.fileMode() == QFileDialog::Directory)
        lastFolder() = dialog.selectedFiles().constFirst();
    else
        lastFolder() = QFileInfo(dialog.selectedFiles().constFirst()).absolutePath();
    return confirmed;
}

namespace {

// A filter entry as the toolkit takes it: the description, then the patterns in the last parentheses. The
// dialogs hide that last part, so the user reads each description once, as written.
QString nameFilter(const QString& description, const QString& patterns)
{
    return description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// One kind of picture the program reads, described with its patterns: "PNG 图片 (*.png)".
QString kindFilter(const picture::PictureFormat& format)
{
    return nameFilter(core::chineseText(core::MessageCode::KindFilter, {format.name, format.patterns}),
                      format.patterns);
}

} // namespace

FileDialogControl::FileDialogControl(const QString& filter, QObject* parent) : QObject(parent)
{
    // "图片文件(*.jpg,*.bmp)|*.jpg;*.bmp": the description is shown as it is, the patterns are matched.
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QString patterns = parts.value(1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    m_nameFilter = nameFilter(parts.value(0), patterns);
}

QStringList FileDialogControl::openFilters() const
{
    QStringList all;
    QStringList kinds;
    for (const picture::PictureFormat& format : picture::pictureFormats()) {
        all << format.patterns;
        kinds << kindFilter(format);
    }
    return QStringList{nameFilter(core::chineseText(core::MessageCode::AllPictures), all.join(QLatin1Char(' '))),
                       m_nameFilter} +
           kinds + QStringList{nameFilter(core::chineseText(core::MessageCode::AllFiles), QStringLiteral("*"))};
}

QStringList FileDialogControl::saveFilters() const
{
    // The pictures the program writes first, so a card.png saved before shows and can be chosen again.
    QStringList filters;
    for (const picture::PictureFormat& format : picture::pictureFormats()) {
        if (format.name == picture::kindName(picture::PictureKind::Png))
            filters << kindFilter(format);
    }
    return filters << m_nameFilter;
}

bool FileDialogControl::show(QWidget* owner)
{
    PictureSaveDialog dialog(owner);
    dialog.setNameFilters(m_mode == core::DialogMode::Open ? openFilters() : saveFilters());
    // Each description already names its patterns where it should; the toolkit would show them a second time.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    // Names only: the toolkit words sizes and dates in the system's locale, which the program cannot make
    // Chinese (the web engine's library reads it before the program starts), and every word shown is Chinese.
    dialog.setViewMode(QFileDialog::List);
    if (m_mode == core::DialogMode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true); // asked about the written file instead
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    // The path last confirmed is offered again, in its own folder.
    if (!execDialog(dialog, m_fileName))
        return false;
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    return true;
}

} // namespace ui
