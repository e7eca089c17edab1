#pragma once

#include <QString>
#include <QStringList>

// The material files of one folder, found by the extension the user typed.
namespace material {

// The folder text as the program keeps folders: ending in the platform's separator. An empty text stays
// empty, and a text that already ends in a separator (a root such as "/") is left as it is.
QString withTrailingSeparator(const QString& folder);

// Bare names of the regular files (hidden ones included) directly in `folder` whose names match the search
// pattern "*." + format as a platform file search matches it (`*` any run of characters, `?` one character,
// everything else literal, letter case ignored), in the order the directory enumeration yields them. Directories are
// never listed, nor is anything below the folder. An empty folder text finds nothing: there is no folder to search.
// Names holding a line break are left out, because the file list keeps one name per line and such a name would read as
// two.
QStringList listMaterialFiles(const QString& folder, const QString& format);

} // namespace material
