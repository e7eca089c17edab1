#pragma once

#include "core/reasons.h"
#include "material/composition.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QWidget>

class QTabBar;

// The control kinds that the toolkit has no exact widget for. Presses on the drawn kinds (shape box, picture box,
// badge) move the window: the main window watches them (drag anywhere).
namespace ui {

// A drawn rectangle: a 1-pixel black outline and, when filled, a black inside. Holds other controls.
class ShapeBox : public QWidget {
    Q_OBJECT
public:
    ShapeBox(bool filled, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool m_filled;
};

// A captioned frame that lets presses through to what lies beneath it (the page, which keeps them).
class GroupBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// Shows a picture recognised by content, fitted into its area as its fit says (material::fitPicture), on a
// white background.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);
    // Decodes the bytes as core::Controls::setPicture describes: why they give no picture, empty when they do
    // or when empty bytes cleared the box.
    core::Reason setPictureBytes(const QByteArray& bytes);
    // Shows a picture already fitted to the box (a batch's finished material); it stays as it is when the fit
    // changes, for the box keeps no file to fit again.
    void showFitted(const QImage& fitted, const core::Reason& warning);
    bool hasPicture() const { return !m_shown.isNull(); }
    // Why the picture shown came from damaged data; no reason for a whole one.
    const core::Reason& warning() const { return m_warning; }
    // The picture as shown: fitted to the box, RGB32; null without a picture.
    const QImage& shown() const { return m_shown; }
    // How the picture fills the box; the window keeps one choice for the run, for every picture it shows.
    material::Fit fit() const { return m_fit; }
    void setFit(material::Fit fit);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    core::Reason fitted(const QByteArray& bytes, QImage& shown, core::Reason& warning) const;
    void refit();

    QByteArray m_bytes;
    QImage m_shown;
    core::Reason m_warning;
    material::Fit m_fit = material::Fit::Stretch;
};

// A badge: a bitmap whose key-coloured pixels are not part of it. Its shape is the set of other pixels, on
// screen and for the mouse (a press on a transparent pixel reaches what lies below). It runs no handler.
class BadgeButton : public QWidget {
    Q_OBJECT
public:
    BadgeButton(const QImage& bitmap, QWidget* parent);
    const QImage& bitmap() const { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_bitmap;
    QImage m_keyed;
};

// A label that draws only its text and keeps the presses it gets.
class TransparentLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Tabs over pages whose children are placed relative to the whole control, as the layout gives them.
class PageControl : public QWidget {
    Q_OBJECT
public:
    PageControl(const QStringList& captions, QWidget* parent);
    QWidget* page(int index) const;
    void setCurrentPage(int index);
    QTabBar* tabBar() const { return m_tabs; }

protected:
    void paintEvent(QPaintEvent*) override;
    // The pane keeps the presses that reach it: they do not move the window.
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QTabBar* m_tabs;
    QList<QWidget*> m_pages;
};

// A timer control: ticks every interval milliseconds; 0 stops it. Writing the interval it already has does not
// restart it, so a run in progress keeps its pace.
class TimerControl : public QObject {
    Q_OBJECT
public:
    explicit TimerControl(QObject* parent);
    int interval() const { return m_interval; }
    void setInterval(int ms);

signals:
    void tick();

private:
    QTimer m_timer;
    int m_interval = 0;
};

} // namespace ui
