#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The material files of one folder, found by the extension the user typed, and the numbered outputs a run
// of them would write.
namespace material {

// The folder text as the program keeps folders: ending in the platform's separator. An empty text stays
// empty, and a text that already ends in a separator (a root such as "/") is left as it is.
QString withTrailingSeparator(const QString& folder);

// One listed material. A file name is a run of bytes, not always text: `native` is what the folder holds and
// what opens the file; `shown` is the name for the user, one line of text, with every byte that is no valid
// UTF-8 and every control character or line break written as \xHH (the bytes of an ordinary name read as
// themselves, so for those native is the name's usual encoding).
struct ListedFile {
    QByteArray native;
    QString shown;
};

// The shown form of a native name (see ListedFile).
QString shownName(const QByteArray& native);

// Every regular file (hidden ones included, links followed) directly in `folder` whose name matches the search
// pattern "*." + format as a platform file search matches it (`*` any run of characters, `?` one character,
// everything else literal, letter case ignored), in name order as a file manager shows a folder: numbers by value
// (IMG_2 before IMG_10), letter case ignored, ties broken by the bytes so the order never depends on the directory.
// Whatever bytes a name holds, the file is listed. Directories are never listed, nor is anything below the folder. An
// empty folder text finds nothing: there is no folder to search.
std::vector<ListedFile> listMaterials(const QString& folder, const QString& format);

// The native path of a listed material in `folder`.
QByteArray nativePath(const QString& folder, const ListedFile& file);

// What stands at the numbered output names start ... start + count - 1, ".png", in `outputFolder`.
struct OutputCheck {
    QStringList existing;      // files a run would replace
    QStringList folders;       // folders in the way: such a name can never be written
    QStringList overMaterials; // outputs that are themselves listed materials: writing them loses a material
};
OutputCheck checkNumberedOutputs(const QString& outputFolder,
                                 qint64 start,
                                 qint64 count,
                                 const QString& materialFolder,
                                 const std::vector<ListedFile>& materials);

// The numbered output path for line `number`.
QString numberedOutput(const QString& outputFolder, qint64 number);

} // namespace material
