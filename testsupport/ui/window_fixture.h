#pragma once

// The real main window, built from its layout and shown on the test's X server. The web view is pointed at
// a closed loopback port, so no test ever reaches out to the network.
#include "core/badges.h"
#include "ui/control_widgets.h"
#include "ui/language.h"
#include "ui/widget_controls.h"
#include "ui/window_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <functional>

namespace testutil {

inline void keepWebViewLocal()
{
    if (qEnvironmentVariableIsEmpty("VORLITH_SHOW_SERVER"))
        qputenv("VORLITH_SHOW_SERVER", "http://127.0.0.1:9/");
}

// A session bus of the test's own: a dbus-daemon started before the application exists, so every part of the
// program that looks for the session bus finds this one and nothing reaches the desktop the tests run on. The
// daemon ends with the test. `address` is empty when dbus-daemon could not be started.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!out)
            return;
        char line[1024];
        if (std::fgets(line, sizeof line, out))
            address = QString::fromLocal8Bit(line).trimmed();
        if (std::fgets(line, sizeof line, out))
            m_pid = QByteArray(line).trimmed().toInt();
        ::pclose(out);
        if (!address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit());
    }
    ~PrivateSessionBus()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    QString address;

private:
    int m_pid = 0;
};

struct ShownWindow {
    explicit ShownWindow(const ui::HandlerTable& handlers = ui::defaultHandlers())
    {
        keepWebViewLocal();
        ui::useChineseInterface();
        ui::useInterfaceFont();
        built = ui::buildMainWindow(handlers);
        if (built.window) {
            built.window->show();
            ok = QTest::qWaitForWindowExposed(built.window.get());
        }
    }
    ui::MainWindow& window() { return *built.window; }
    ui::WidgetControls& controls() { return *built.controls; }
    QWidget* widget(core::ControlId id) { return built.window->widget(id); }

    ui::BuiltWindow built;
    bool ok = false;
};

// Runs `answer` on the next modal dialog of type T as soon as it is open (from inside its own event loop).
template <class T> void whenModalOpens(std::function<void(T*)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start();
}

// Types the text into the widget key by key, as a keyboard (or an input method that sends keys) does.
inline void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click,
                            widget,
                            c.unicode() < 0x80 ? Qt::Key(QChar(c).toUpper().unicode()) : Qt::Key_unknown,
                            QString(c),
                            Qt::NoModifier);
}

// A key pressed on a control of the window, shortcuts included. The window is made the active one just before:
// tests running side by side on one X server take the X focus from each other.
inline void pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QApplication::setActiveWindow(target->window());
    QTest::keyClick(target, key, modifiers);
}

// The next file dialog confirms `path` (typed into its file name field); an empty path cancels it.
inline void answerFileDialog(const QString& path)
{
    whenModalOpens<QFileDialog>([path](QFileDialog* dialog) {
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // As a user would: the full path typed into the file name field, then the dialog's own accept.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

// The next message box is closed with `button`, or with its default button; its text goes to *text. `then`
// runs after, from the dialog below it if there is one.
inline void answerMessageBox(QString* text,
                             QMessageBox::StandardButton button = QMessageBox::NoButton,
                             std::function<void()> then = {})
{
    whenModalOpens<QMessageBox>([text, button, then](QMessageBox* box) {
        *text = box->text();
        if (button != QMessageBox::NoButton)
            box->button(button)->click();
        else
            box->accept();
        if (then)
            then();
    });
}

// The frame as the layout describes it: black all over, the picture at (6, 7), then every visible badge's
// non-key pixels from the back of the stack to the front, cut off at the picture box's edge.
inline QImage expectedFrame(const QImage& picture, const ShownWindow& shown)
{
    QImage frame(152, 240, QImage::Format_RGB32);
    frame.fill(qRgb(0, 0, 0));
    for (int y = 0; y < 226; ++y)
        for (int x = 0; x < 140; ++x)
            frame.setPixel(6 + x, 7 + y, picture.isNull() ? qRgb(255, 255, 255) : picture.pixel(x, y));
    for (auto it = core::kBadgeStacking.rbegin(); it != core::kBadgeStacking.rend(); ++it) {
        const core::Badge& badge = core::kBadges[static_cast<size_t>(*it)];
        QWidget* w = shown.built.window->widget(badge.id);
        if (w->isHidden())
            continue;
        const QImage bitmap = QImage(QString::fromLatin1(badge.bitmap)).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                const QPoint p = w->pos() + QPoint(x, y);
                if ((bitmap.pixel(x, y) & 0xFFFFFF) == core::kBadgeKeyColour || p.x() < 0 || p.y() < 0 ||
                    p.x() >= 140 || p.y() >= 226)
                    continue;
                frame.setPixel(6 + p.x(), 7 + p.y(), bitmap.pixel(x, y));
            }
        }
    }
    return frame;
}

} // namespace testutil
