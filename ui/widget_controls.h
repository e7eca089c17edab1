#pragma once

#include "core/controls.h"
#include "ui/desktop_progress.h"

namespace ui {

class MainWindow;

// Property access over the window's widgets: what handlers read and write is what the user sees.
class WidgetControls : public core::Controls {
public:
    explicit WidgetControls(MainWindow& window) : m_window(window) {}

    QString text(core::ControlId id) const override;
    void setText(core::ControlId id, const QString& text) override;
    int left(core::ControlId id) const override;
    int top(core::ControlId id) const override;
    void setLeft(core::ControlId id, int left) override;
    void setTop(core::ControlId id, int top) override;
    bool isVisible(core::ControlId id) const override;
    void setVisible(core::ControlId id, bool visible) override;
    core::Reason setPicture(core::ControlId id, const QByteArray& bytes) override;
    bool hasPicture(core::ControlId id) const override;
    core::Reason pictureWarning(core::ControlId id) const override;
    QString address(core::ControlId id) const override;
    void setAddress(core::ControlId id, const QString& address) override;
    QString loadFailure(core::ControlId id) const override;
    int interval(core::ControlId id) const override;
    void setInterval(core::ControlId id, int ms) override;
    core::DialogMode dialogMode(core::ControlId id) const override;
    void setDialogMode(core::ControlId id, core::DialogMode mode) override;
    QString dialogFileName(core::ControlId id) const override;
    bool showDialog(core::ControlId id) override;
    int lineCount(core::ControlId id) const override;
    QString line(core::ControlId id, int index) const override;
    QImage renderFrame(core::ControlId id) override;
    QImage badgeBitmap(core::ControlId id) const override;
    int pictureFit(core::ControlId id) const override;
    void showPicture(core::ControlId id, const QImage& fitted, const core::Reason& warning) override;
    QString browseForFolder(const QString& prompt) override;
    void showMessage(const QString& title, const QString& text) override;
    bool askYesNo(const QString& title, const QString& text) override;
    void setStatus(const QString& text) override;
    void setProgress(int done, int total) override;
    void announceRunEnd(int saved, int skipped) override;

private:
    QImage renderComposition();

    MainWindow& m_window;
    DesktopProgress m_desktop;
};

} // namespace ui
