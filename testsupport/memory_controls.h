#pragma once

// core::Controls over plain values, for the batch tests and the batch benchmark. It holds what the window's
// controls hold (texts, positions, visibility, pictures and their fit, the timer's interval) and answers the
// platform's dialogs from a script, recording what was asked and shown.
#include "core/badges.h"
#include "core/controls.h"
#include "material/badge_layout.h"
#include "material/composition.h"
#include "picture/memory_budget.h"

#include <QColor>
#include <QDir>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QPoint>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <functional>

namespace testutil {

// A generated stand-in for a badge bitmap: a coloured block with a key-coloured corner, so a rendering
// shows both what a badge covers and what it lets through.
inline QImage makeBadgeBitmap(int index, QSize size)
{
    QImage bitmap(size, QImage::Format_RGB32);
    bitmap.fill(QColor::fromHsv((index * 33) % 360, 220, 230));
    QPainter p(&bitmap);
    p.fillRect(0, 0, size.width() / 2, size.height() / 2, QColor(0x80, 0x80, 0x80));
    return bitmap;
}

struct Message {
    QString title;
    QString text;
};

// The kind of control behind an id, as far as its properties go: what the window builds for it.
enum class MemoryKind {
    Plain,      // buttons, labels, group boxes, shape boxes, the page control, badges: a place and a visible flag
    LineEdit,   // a single-line edit box
    TextBox,    // a multi-line edit box
    Combo,      // an editable combo box
    PictureBox, // the composition picture box
    WebView,    // the QQ Show viewer
    Timer,      // no window: no place, never visible
    FileDialog, // no window either
};

inline MemoryKind memoryKind(core::ControlId id)
{
    using namespace core::ids;
    switch (id) {
    case MaterialFolderBox:
    case OutputFolderBox:
    case LineNumberBox:
    case QqNumberBox:
    case SpareFormatBox:
        return MemoryKind::LineEdit;
    case CurrentFileBox:
    case FileList:
        return MemoryKind::TextBox;
    case MaterialFormatBox:
    case BadgeSelector:
        return MemoryKind::Combo;
    case CompositionPicture:
        return MemoryKind::PictureBox;
    case QqShowViewer:
        return MemoryKind::WebView;
    case BatchTimer:
        return MemoryKind::Timer;
    case FileDialog:
        return MemoryKind::FileDialog;
    default:
        return MemoryKind::Plain;
    }
}

// What the window's controls do, over plain values; the contract test (tests/ui/test_controls_contract.cpp)
// runs every operation on both and compares. Left out: the window's initial picture, output folder and
// viewer address (carried files, the user's desktop folder, the picture server), and the viewer frame, which
// only a web view can render.
class MemoryControls : public core::Controls {
public:
    MemoryControls()
    {
        for (int i = 0; i < core::kBadgeCount; ++i) {
            const core::Badge& b = core::kBadges[static_cast<std::size_t>(i)];
            m_positions[b.id] = b.defaultPos;
            m_badgeBitmaps[static_cast<std::size_t>(i)] = makeBadgeBitmap(i, b.bitmapSize);
        }
        setText(core::ids::LineNumberBox, QStringLiteral("1"));
        setText(core::ids::MaterialFormatBox, QStringLiteral("JPG"));
        setText(core::ids::SpareFormatBox, QStringLiteral("JPG"));
        setText(core::ids::BadgeSelector, QString::fromUtf16(core::kBadges[0].name));
        setText(core::ids::QqNumberBox, QStringLiteral("10001"));
    }

    // A multi-line box reads back its lines joined by CR LF, as the widget's plain text gives them: a
    // line separator (U+2028) reads as a break and a no-break space as a space, though neither is one in
    // the line itself.
    QString text(core::ControlId id) const override
    {
        switch (memoryKind(id)) {
        case MemoryKind::LineEdit:
        case MemoryKind::Combo:
            return m_texts.value(id);
        case MemoryKind::TextBox: {
            QString text = m_lines.value(id).join(QStringLiteral("\r\n"));
            text.replace(QChar(0x2028), QStringLiteral("\r\n")).replace(QChar(0xA0), QLatin1Char(' '));
            return text;
        }
        default:
            return {};
        }
    }
    // A single-line box holds at most kMaxLineEdit characters, as the toolkit's does; a multi-line box is
    // split into lines at every break the widget's document breaks at.
    void setText(core::ControlId id, const QString& text) override
    {
        switch (memoryKind(id)) {
        case MemoryKind::LineEdit:
        case MemoryKind::Combo:
            m_texts[id] = text.left(kMaxLineEdit);
            break;
        case MemoryKind::TextBox: {
            QStringList lines{QString()};
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char16_t c = text[i].unicode();
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                    continue; // CR LF is one break, taken at its LF
                if (c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1)
                    lines.append(QString());
                else
                    lines.last().append(text[i]);
            }
            m_lines[id] = lines;
            break;
        }
        default:
            break;
        }
    }

    int left(core::ControlId id) const override { return hasWindow(id) ? position(id).x() : 0; }
    int top(core::ControlId id) const override { return hasWindow(id) ? position(id).y() : 0; }
    void setLeft(core::ControlId id, int left) override
    {
        if (hasWindow(id))
            m_positions[id] = QPoint(left, position(id).y());
    }
    void setTop(core::ControlId id, int top) override
    {
        if (hasWindow(id))
            m_positions[id] = QPoint(position(id).x(), top);
    }

    // Every control with a window is created visible; the timer and the file dialog have none.
    bool isVisible(core::ControlId id) const override { return hasWindow(id) && !m_hidden.contains(id); }
    void setVisible(core::ControlId id, bool visible) override
    {
        if (!hasWindow(id))
            return;
        if (visible)
            m_hidden.remove(id);
        else
            m_hidden.insert(id);
    }

    // As the picture box does: decoded for its size within the memory budget and kept fitted to it; the
    // bytes are kept, so a change of fit fits them again.
    core::Reason setPicture(core::ControlId id, const QByteArray& bytes) override
    {
        if (memoryKind(id) != MemoryKind::PictureBox)
            return core::ReasonCode::CannotShow;
        ++pictureSets;
        Shown shown;
        if (!bytes.isEmpty()) {
            if (const core::Reason why = fitted(bytes, shown))
                return why;
        }
        m_bytes[id] = bytes;
        m_shown[id] = shown;
        return {};
    }
    bool hasPicture(core::ControlId id) const override { return !m_shown.value(id).picture.isNull(); }
    core::Reason pictureWarning(core::ControlId id) const override { return m_shown.value(id).warning; }
    // The picture as the box shows it: fitted to 140 x 226, RGB32; null without one.
    QImage picture(core::ControlId id) const { return m_shown.value(id).picture; }

    // How pictures fill the box, as the window's picture box keeps it; the picture shown is fitted again.
    material::Fit fit() const { return m_fit; }
    void setFit(material::Fit fit)
    {
        m_fit = fit;
        for (auto it = m_bytes.cbegin(); it != m_bytes.cend(); ++it) {
            Shown shown;
            if (!it.value().isEmpty() && !fitted(it.value(), shown))
                m_shown[it.key()] = shown;
        }
    }
    // The badges' bitmaps, indexed like core::kBadges; generated stand-ins until a test gives the carried ones.
    void setBadgeBitmaps(const std::array<QImage, core::kBadgeCount>& bitmaps) { m_badgeBitmaps = bitmaps; }

    QString address(core::ControlId id) const override { return m_addresses.value(id); }
    void setAddress(core::ControlId id, const QString& address) override
    {
        if (memoryKind(id) == MemoryKind::WebView)
            m_addresses[id] = address;
    }

    int interval(core::ControlId id) const override { return m_intervals.value(id); }
    void setInterval(core::ControlId id, int ms) override
    {
        if (memoryKind(id) == MemoryKind::Timer)
            m_intervals[id] = std::max(ms, 0);
    }

    core::DialogMode dialogMode(core::ControlId id) const override
    {
        return memoryKind(id) == MemoryKind::FileDialog ? m_dialogMode : core::DialogMode::Open;
    }
    void setDialogMode(core::ControlId id, core::DialogMode mode) override
    {
        if (memoryKind(id) == MemoryKind::FileDialog)
            m_dialogMode = mode;
    }
    QString dialogFileName(core::ControlId id) const override
    {
        return memoryKind(id) == MemoryKind::FileDialog ? m_dialogFileName : QString();
    }
    // An empty answer, or none, is a cancel, which keeps the file name.
    bool showDialog(core::ControlId id) override
    {
        if (memoryKind(id) != MemoryKind::FileDialog)
            return false;
        duringModal();
        const QString answer = dialogAnswers.isEmpty() ? QString() : dialogAnswers.takeFirst();
        if (answer.isEmpty())
            return false;
        m_dialogFileName = QDir::toNativeSeparators(answer);
        return true;
    }

    // An empty box has no line; a single-line box has its text as its one line.
    int lineCount(core::ControlId id) const override
    {
        if (memoryKind(id) == MemoryKind::TextBox)
            return text(id).isEmpty() ? 0 : static_cast<int>(m_lines.value(id).size());
        return text(id).isEmpty() ? 0 : 1;
    }
    QString line(core::ControlId id, int index) const override
    {
        if (index < 0 || index >= lineCount(id))
            return {};
        return memoryKind(id) == MemoryKind::TextBox ? m_lines.value(id).value(index) : text(id);
    }

    // The composition frame as the window draws it: the picture as the box shows it, under the badges, each
    // at its position and with its visibility.
    QImage renderFrame(core::ControlId id) override
    {
        if (id != core::ids::CompositionFrame)
            return {};
        const material::Composition c = composition();
        return material::renderCompositionFitted(c.picture, c.badges);
    }

    QImage badgeBitmap(core::ControlId id) const override
    {
        for (std::size_t i = 0; i < m_badgeBitmaps.size(); ++i) {
            if (core::kBadges[i].id == id)
                return m_badgeBitmaps[i];
        }
        return {};
    }
    int pictureFit(core::ControlId) const override { return static_cast<int>(m_fit); }
    // A picture already fitted to the box (a finished batch material): shown as it is, with no bytes to fit
    // again when the fit changes.
    void showPicture(core::ControlId id, const QImage& fitted, const core::Reason& warning) override
    {
        if (memoryKind(id) != MemoryKind::PictureBox)
            return;
        m_bytes.remove(id);
        m_shown[id] = fitted.isNull() ? Shown{} : Shown{fitted, warning};
    }

    material::Composition composition() const
    {
        return {picture(core::ids::CompositionPicture),
                material::badgeLayers(material::badgeLayoutOf(*this), m_badgeBitmaps),
                m_fit};
    }

    // An unscripted browse is a cancel. The folder comes back as a folder dialog gives it: cleaned, without
    // a trailing separator.
    QString browseForFolder(const QString& prompt) override
    {
        browsePrompts.append(prompt);
        duringModal();
        const QString answer = folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
        return answer.isEmpty() ? QString() : QDir::toNativeSeparators(QDir::cleanPath(answer));
    }
    void showMessage(const QString& title, const QString& text) override
    {
        messages.append({title, text});
        duringModal();
    }
    // An unscripted question is answered No.
    bool askYesNo(const QString& title, const QString& text) override
    {
        questions.append({title, text});
        duringModal();
        return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
    }
    void setStatus(const QString& text) override { statuses.append(text); }
    void setProgress(int done, int total) override { progress.append({done, total}); }
    void announceRunEnd(int saved, int skipped) override { runEnds.append({saved, skipped}); }

    // The toolkit's bound on a single-line edit box's text.
    static constexpr qsizetype kMaxLineEdit = 32767;

    // Scripted answers, taken first to last.
    QStringList folderAnswers;
    QList<bool> yesNoAnswers;
    QStringList dialogAnswers;
    // Runs inside every modal dialog, where the window's event loop would go on delivering timer ticks.
    std::function<void()> whileModal;

    // What the handlers asked and showed.
    QStringList browsePrompts;
    QList<Message> messages;
    QList<Message> questions;
    QStringList statuses;
    QList<QPoint> progress; // (done, total) of each setProgress
    QList<QPoint> runEnds;  // (saved, skipped) of each announceRunEnd
    int pictureSets = 0;

private:
    struct Shown {
        QImage picture;
        core::Reason warning;
    };

    static bool hasWindow(core::ControlId id)
    {
        const MemoryKind kind = memoryKind(id);
        return kind != MemoryKind::Timer && kind != MemoryKind::FileDialog;
    }
    QPoint position(core::ControlId id) const { return m_positions.value(id); }

    core::Reason fitted(const QByteArray& bytes, Shown& shown) const
    {
        const picture::DecodedPicture decoded = picture::decodeWithinBudget(bytes, material::kPictureRect.size());
        if (decoded.image.isNull())
            return decoded.reason;
        shown.picture = material::fitPicture(decoded.image, m_fit, material::kPictureRect.size());
        if (shown.picture.isNull())
            return core::ReasonCode::OutOfMemory;
        shown.warning = decoded.warning;
        return {};
    }

    void duringModal()
    {
        if (whileModal)
            whileModal();
    }

    QHash<core::ControlId, QString> m_texts;
    QHash<core::ControlId, QStringList> m_lines;
    QHash<core::ControlId, QString> m_addresses;
    QHash<core::ControlId, QPoint> m_positions;
    QSet<core::ControlId> m_hidden;
    QHash<core::ControlId, QByteArray> m_bytes;
    QHash<core::ControlId, Shown> m_shown;
    material::Fit m_fit = material::Fit::Stretch;
    std::array<QImage, core::kBadgeCount> m_badgeBitmaps;
    QHash<core::ControlId, int> m_intervals;
    core::DialogMode m_dialogMode = core::DialogMode::Open;
    QString m_dialogFileName;
};

} // namespace testutil
