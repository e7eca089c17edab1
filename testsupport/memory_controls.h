#pragma once

// core::Controls over plain values, for the batch tests and the batch benchmark. It holds what the window's
// controls hold (texts, positions, visibility, pictures, the timer's interval) and answers the platform's
// dialogs from a script, recording what was asked and shown.
#include "core/badges.h"
#include "core/controls.h"
#include "material/badge_layout.h"
#include "material/composition.h"
#include "material/memory_budget.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QPoint>
#include <QRegularExpression>
#include <QStringList>

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

class MemoryControls : public core::Controls {
public:
    MemoryControls()
    {
        for (int i = 0; i < core::kBadgeCount; ++i) {
            const core::Badge& b = core::kBadges[static_cast<std::size_t>(i)];
            m_positions[b.id] = b.defaultPos;
            m_visible[b.id] = true;
            m_badgeBitmaps[static_cast<std::size_t>(i)] = makeBadgeBitmap(i, b.bitmapSize);
        }
        m_texts[core::ids::LineNumberBox] = QStringLiteral("1");
        m_texts[core::ids::MaterialFormatBox] = QStringLiteral("JPG");
    }

    QString text(core::ControlId id) const override { return m_texts.value(id); }
    void setText(core::ControlId id, const QString& text) override { m_texts[id] = text; }

    int left(core::ControlId id) const override { return m_positions.value(id).x(); }
    int top(core::ControlId id) const override { return m_positions.value(id).y(); }
    void setLeft(core::ControlId id, int left) override { m_positions[id].setX(left); }
    void setTop(core::ControlId id, int top) override { m_positions[id].setY(top); }

    bool isVisible(core::ControlId id) const override { return m_visible.value(id); }
    void setVisible(core::ControlId id, bool visible) override { m_visible[id] = visible; }

    // Decoded for the box's size, as the window's picture box decodes what it shows.
    core::Reason setPicture(core::ControlId id, const QByteArray& bytes) override
    {
        ++pictureSets;
        if (bytes.isEmpty()) {
            m_pictures.remove(id);
            m_warnings.remove(id);
            return {};
        }
        material::DecodedPicture decoded = material::decodeWithinBudget(bytes, material::kPictureRect.size());
        if (decoded.image.isNull())
            return decoded.reason;
        m_pictures[id] = decoded.image;
        m_warnings[id] = decoded.warning;
        return {};
    }
    bool hasPicture(core::ControlId id) const override { return m_pictures.contains(id); }
    core::Reason pictureWarning(core::ControlId id) const override { return m_warnings.value(id); }
    QImage picture(core::ControlId id) const { return m_pictures.value(id); }

    QString address(core::ControlId id) const override { return m_texts.value(id); }
    void setAddress(core::ControlId id, const QString& address) override { m_texts[id] = address; }

    int interval(core::ControlId id) const override { return m_intervals.value(id); }
    void setInterval(core::ControlId id, int ms) override { m_intervals[id] = ms; }

    core::DialogMode dialogMode(core::ControlId) const override { return m_dialogMode; }
    void setDialogMode(core::ControlId, core::DialogMode mode) override { m_dialogMode = mode; }
    QString dialogFileName(core::ControlId) const override { return m_dialogFileName; }
    bool showDialog(core::ControlId) override
    {
        duringModal();
        if (dialogAnswers.isEmpty())
            return false;
        m_dialogFileName = dialogAnswers.takeFirst();
        return true;
    }

    int lineCount(core::ControlId id) const override { return static_cast<int>(splitLines(id).size()); }
    QString line(core::ControlId id, int index) const override { return splitLines(id).value(index); }

    // The composition frame as the window draws it: the picture box's picture under the badges, each at its
    // position and with its visibility.
    QImage renderFrame(core::ControlId id) override
    {
        if (id != core::ids::CompositionFrame)
            return {};
        return material::renderComposition(composition());
    }

    material::Composition composition() const
    {
        return {m_pictures.value(core::ids::CompositionPicture),
                material::badgeLayers(material::badgeLayoutOf(*this), m_badgeBitmaps)};
    }

    // An unscripted browse is a cancel.
    QString browseForFolder(const QString& prompt) override
    {
        browsePrompts.append(prompt);
        duringModal();
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
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
    int pictureSets = 0;

private:
    void duringModal()
    {
        if (whileModal)
            whileModal();
    }

    // Logical lines, split at CR LF, CR or LF: the text of an empty box is one empty line.
    QStringList splitLines(core::ControlId id) const
    {
        static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
        return m_texts.value(id).split(breaks);
    }

    QHash<core::ControlId, QString> m_texts;
    QHash<core::ControlId, QPoint> m_positions;
    QHash<core::ControlId, bool> m_visible;
    QHash<core::ControlId, QImage> m_pictures;
    QHash<core::ControlId, core::Reason> m_warnings;
    std::array<QImage, core::kBadgeCount> m_badgeBitmaps;
    QHash<core::ControlId, int> m_intervals;
    core::DialogMode m_dialogMode = core::DialogMode::Open;
    QString m_dialogFileName;
};

} // namespace testutil
