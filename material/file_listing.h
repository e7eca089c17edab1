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

// What stands at the output names in `outputFolder`, as indices into `names`: files a run would replace,
// folders in the way (such a name can never be written), and outputs that are themselves materials of
// `materialFolder` (writing one loses a material). Outputs are compared with the materials as files (device
// and inode), so one that reaches a material through a link or a hard link is known for what it is. The
// output folder is listed once: an empty one costs one listing however many names there are.
struct OutputCheck {
    std::vector<qsizetype> existing;
    std::vector<qsizetype> folders;
    std::vector<qsizetype> overMaterials;
};
OutputCheck checkOutputs(const QString& outputFolder,
                         const QStringList& names,
                         const QString& materialFolder,
                         const std::vector<ListedFile>& materials);

// The numbered output name for line `number` ("7.png"), and its path in `outputFolder`.
QString numberedName(qint64 number);
QString numberedOutput(const QString& outputFolder, qint64 number);

} // namespace material
