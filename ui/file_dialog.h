#pragma once

#include "core/controls.h"

#include <QObject>
#include <QString>

class QFileDialog;
class QWidget;

namespace ui {

// Every dialog of the window (open, save, folder) opens where the user was last in any of them during this
// run; the first one opens in the user's pictures folder, or the home folder when there is none. The
// program's own folder is never offered: it is the build folder, or /usr/bin once installed.
QString dialogStartFolder();

// Shows a file dialog of the toolkit's own kind, modal over its parent. It offers the full path `offered`, in
// that file's folder, or starts in dialogStartFolder() when nothing is offered. Afterwards the folder the user
// was in, confirmed or not, is where the next dialog starts. True when the user confirmed.
bool execDialog(QFileDialog& dialog, const QString& offered = {});

// The file dialog control: a mode, a filter, and one file name shared by every showing, so the next
// showing offers the path last confirmed in either mode.
class FileDialogControl : public QObject {
    Q_OBJECT
public:
    // The filter is "description|patterns" with patterns separated by ';', as the layout stores it.
    FileDialogControl(const QString& filter, QObject* parent);

    core::DialogMode mode() const { return m_mode; }
    void setMode(core::DialogMode mode) { m_mode = mode; }
    QString fileName() const { return m_fileName; }

    // Shows the modal dialog over `owner`; true when the user confirmed, and the file name is then the chosen
    // full path. A cancel changes nothing. In save mode the dialog asks before replacing the file that a save
    // will write: the chosen name with ".png" added by the picture files' rule, not the name as typed.
    bool show(QWidget* owner);

private:
    // What the open-file dialog offers: every picture the program reads first, then the layout's filter, each
    // kind of picture on its own, and all files.
    QStringList openFilters() const;
    // What the save-file dialog offers: PNG pictures, the kind the program writes, then the layout's filter.
    QStringList saveFilters() const;

    core::DialogMode m_mode = core::DialogMode::Open;
    QString m_fileName;
    QString m_nameFilter; // in the toolkit's form: "description (patterns separated by spaces)"
};

} // namespace ui
