#include "ui/picture_drop.h"

#include "handlers/saving.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace ui {

namespace {

class PictureDrop : public QObject {
public:
    PictureDrop(MainWindow& window, core::Controls& controls) : QObject(&window), m_controls(controls)
    {
        window.setAcceptDrops(true);
        window.installEventFilter(this);
        auto* paste = new QAction(&window);
        paste->setShortcuts(QKeySequence::Paste);
        connect(paste, &QAction::triggered, this, &PictureDrop::paste);
        window.addAction(paste);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!droppedFile(*drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = droppedFile(*drop->mimeData());
            if (path.isEmpty())
                return false;
            drop->acceptProposedAction();
            // After the drop has ended: a message about the file must not hold up the program it came from.
            QTimer::singleShot(0, this, [this, path] { handlers::uploadPictureFile(m_controls, path); });
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    void paste()
    {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (!data)
            return;
        if (const QString path = droppedFile(*data); !path.isEmpty()) {
            handlers::uploadPictureFile(m_controls, path);
        } else if (data->hasImage()) {
            // A copied picture has no file: its pixels go in as the bytes of a PNG file would.
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
            m_controls.setPicture(core::ids::CompositionPicture, png);
        }
    }

    core::Controls& m_controls;
};

} // namespace

QString droppedFile(const QMimeData& data)
{
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            return QDir::toNativeSeparators(url.toLocalFile());
    }
    const QString text = data.text().trimmed();
    if (text.contains(QLatin1Char('\n')))
        return {};
    if (text.startsWith(QLatin1String("file:")))
        return QDir::toNativeSeparators(QUrl(text).toLocalFile());
    return QDir::isAbsolutePath(text) ? text : QString();
}

void installPictureDrop(MainWindow& window, core::Controls& controls)
{
    new PictureDrop(window, controls);
}

} // namespace ui
