#pragma once

#include "core/control_ids.h"
#include "core/reasons.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace core {

// Which dialog the file dialog control shows.
enum class DialogMode { Open = 0, Save = 1 };

// The property access every handler goes through. The controls' properties are the whole state of the
// program, so handlers take this and nothing else; the window implements it over its widgets, and tools
// without a window can implement it over plain values.
//
// Reading a property of a control that lacks it gives the empty value (empty text, 0, false).
class Controls {
public:
    virtual ~Controls() = default;

    // Edit boxes: the whole text. Combo boxes: the text of the edit field, as typed or picked.
    virtual QString text(ControlId id) const = 0;
    virtual void setText(ControlId id, const QString& text) = 0;

    // Position relative to the parent's client area, in pixels; may be negative.
    virtual int left(ControlId id) const = 0;
    virtual int top(ControlId id) const = 0;
    virtual void setLeft(ControlId id, int left) = 0;
    virtual void setTop(ControlId id, int top) = 0;

    virtual bool isVisible(ControlId id) const = 0;
    virtual void setVisible(ControlId id, bool visible) = 0;

    // Picture box: the bytes of a picture file, recognised by content; empty bytes clear the box. Returns why
    // the bytes give no picture the box can show, the box then keeping the picture it had (a failed upload must
    // not take away the user's picture); no reason when the picture is shown or the box was cleared.
    virtual Reason setPicture(ControlId id, const QByteArray& bytes) = 0;
    virtual bool hasPicture(ControlId id) const = 0;
    // Why the picture shown came from damaged data (a file cut short, its missing part grey); no reason for a
    // whole picture or none.
    virtual Reason pictureWarning(ControlId id) const = 0;

    // Web view: writing the address navigates to it, every time.
    virtual QString address(ControlId id) const = 0;
    virtual void setAddress(ControlId id, const QString& address) = 0;
    // Web view: why the last navigation failed (nothing answered, an HTTP error), while the view shows that
    // failure; empty while a page loads or once it has loaded. Controls without a web view have no failures.
    virtual QString loadFailure(ControlId) const { return {}; }

    // Timer: milliseconds; 0 stops it. Writing the interval it already has does not restart it.
    virtual int interval(ControlId id) const = 0;
    virtual void setInterval(ControlId id, int ms) = 0;

    // File dialog: its mode and the full path last confirmed; showDialog() is modal and true on confirm.
    virtual DialogMode dialogMode(ControlId id) const = 0;
    virtual void setDialogMode(ControlId id, DialogMode mode) = 0;
    virtual QString dialogFileName(ControlId id) const = 0;
    virtual bool showDialog(ControlId id) = 0;

    // Multi-line edit boxes: logical lines, split at line breaks, whole.
    virtual int lineCount(ControlId id) const = 0;
    virtual QString line(ControlId id, int index) const = 0;

    // A frame (the composition frame or the viewer frame) rendered with its children, off-screen, whatever
    // covers it or whichever page is shown. A null image when the control is no frame.
    virtual QImage renderFrame(ControlId id) = 0;

    // The composition frame's parts, for a batch that composes it away from the screen on worker threads: a
    // badge's bitmap (its key colour still in it), and how the picture box fits its pictures (the value of a
    // material::Fit).
    virtual QImage badgeBitmap(ControlId id) const = 0;
    virtual int pictureFit(ControlId id) const = 0;
    // Picture box: shows a picture already decoded and fitted to the box (a batch's finished material), with
    // the warning it came with; a null picture clears the box.
    virtual void showPicture(ControlId id, const QImage& fitted, const Reason& warning) = 0;

    // Platform services the handlers need. browseForFolder returns the chosen folder without a trailing
    // separator, or the empty text when the user cancels.
    virtual QString browseForFolder(const QString& prompt) = 0;
    virtual void showMessage(const QString& title, const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // A short progress text shown without moving any laid-out control; empty hides it.
    virtual void setStatus(const QString& text) = 0;
    // Desktop progress of a batch run, beside the status text: `done` of `total` materials; a total of 0
    // clears it. Controls without a desktop ignore it.
    virtual void setProgress(int done, int total)
    {
        (void)done;
        (void)total;
    }
    // The end of a batch run, for a desktop notification when the window is not active.
    virtual void announceRunEnd(int saved, int skipped)
    {
        (void)saved;
        (void)skipped;
    }
};

} // namespace core
