#pragma once

#include "core/controls.h"

#include <QObject>
#include <QString>

class QWidget;

namespace ui {

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
    // full path. A cancel changes nothing.
    bool show(QWidget* owner);

private:
    // What the open-file dialog offers: the layout's filter first, then every picture the program reads, each
    // kind of picture on its own, and all files. The save-file dialog offers the layout's filter alone.
    QStringList openFilters() const;

    core::DialogMode m_mode = core::DialogMode::Open;
    QString m_fileName;
    QString m_nameFilter; // in the toolkit's form: "description (patterns separated by spaces)"
};

} // namespace ui
