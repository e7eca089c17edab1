#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Why something failed or came out damaged, as a code with its arguments. The code is what crosses threads
// and layers; the words are chosen where the reason is shown, from the one table in reasons.cpp: English
// for vorlith-batch's terminal, Chinese for the window. Arguments are the parts no table can know (a path,
// a size, a decoder's own words) and fill %1, %2, ... in the texts. A decoder's words are English: the
// Chinese texts say instead which kind of damage they describe (data that ends early, a checksum that does
// not match, ...), so the window names the format and what is wrong without a word of English.
namespace core {

enum class ReasonCode : std::uint8_t {
    None,
    // From the system's error codes (reasonFromErrno).
    NoSpace,
    ReadOnly,
    Permission,
    OutOfMemory,
    SymlinkLoop,
    NameTooLong,
    TooManyOpenFiles,
    IoError,
    TooLargeForFileSystem,
    PathNotFolder,
    SystemError, // %1 the code's symbolic name, %2 its number
    // Files and folders.
    FolderMissing, // %1 folder
    NotAFolder,    // %1 path
    FileMissing,
    NameNotEncodable,
    IsFolder,
    NotRegularFile,
    FileTooLarge, // %1 the bound, with its unit ("64 MB")
    FileEmpty,
    NameTaken,
    NoFileName,
    NoPicture,
    // Pictures.
    NotAPicture,
    Damaged,         // %1 format, %2 what is wrong (the decoder's words)
    Unsupported,     // %1 format, %2 what
    NoPixels,        // %1 width, %2 height
    PictureTooLarge, // %1 width, %2 height, %3 pixels a side, %4 pixels
    MemoryBudget,    // %1 megabytes needed, %2 megabytes allowed
    CannotShow,
    // Warnings: the picture was made, from data that was not all there.
    Truncated,    // %1 format
    DamagedShown, // %1 format, %2 what is wrong
    GreyPalette,  // a PCX without its palette
    // Runs.
    Stopped, // the run was stopped before this material was written
    // The window's batch.
    NoFileNamed,
    NoMaterialFolder,
    NoOutputFolder,
    // vorlith-batch's folders: %1 the folder.
    MaterialFolderMissing,
    MaterialFolderNotFolder,
    MaterialFolderUnreadable,
    OutputFolderNotFolder,
    NoMatchingMaterial, // %2 the format
    // Badge layout files: %1 the line number.
    LayoutFieldCount,   // %2 the number of fields found
    LayoutUnknownBadge, // %2 the name
    LayoutBadgeTwice,   // %2 the name
    LayoutVisible,      // %2 the word given
    LayoutCoordinates,  // %2 and %3 the bounds
    LayoutFit,          // %2 the fit names
    LayoutFitTwice,
    // Not a reason: the number of codes, which the text table must match. New codes go above it.
    Count,
};

struct Reason {
    ReasonCode code = ReasonCode::None;
    QStringList args;

    Reason() = default;
    Reason(ReasonCode c, QStringList a = {}) : code(c), args(std::move(a)) {} // NOLINT: a code is a reason
    bool isNone() const { return code == ReasonCode::None; }
    explicit operator bool() const { return !isNone(); }
    bool operator==(const Reason&) const = default;
};

// The reason in English, for vorlith-batch and logs.
QString englishText(const Reason& reason);

// The reason in Chinese, for the window.
QString chineseText(const Reason& reason);

// The reason for a system error code (errno). ENOENT says only that the file is missing: callers that know
// more (the folder is gone) say so themselves.
Reason reasonFromErrno(int error);

} // namespace core
