#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Every text the user reads that is not a reason (reasons.h), a control's caption (the window's layout) or an
// option's help line (vorlith-batch's option table): the window's titles, prompts, questions, reports, dialog
// filters, notifications and accessible texts in Chinese, and vorlith-batch's messages in English, each
// looked up by its code in the one table in messages.cpp. A row holds the text of one program or of both, where
// both say the same thing. Arguments fill %1, %2, ... as in the reason texts.
namespace core {

enum class MessageCode : std::uint16_t {
    None,
    // The window's batch: titles, prompts, questions and its report.
    BatchTitle,
    BrowsePrompt,
    NothingListed,
    StopQuestion,
    ReplaceQuestion, // %1 the count
    OverMaterials,   // %1 the first, %2 the count
    FolderInTheWay,  // %1 the first, %2 the count
    NoThread,
    CannotSavePicture,   // %1 path, %2 reason
    CannotFlushPictures, // %1 folder, %2 reason
    ListedReason,        // %1 material, %2 reason
    ListedMore,          // %1 the count
    RunSaved,            // %1 the count
    RunFinished,         // %1 what was saved
    RunStopped,          // %1 what was saved
    RunFailed,           // %1 what was saved
    RunFailure,          // %1 the failure
    RunSummary,          // %1 what was saved
    NotLoadedHeading,    // %1 the count
    NotWrittenHeading,   // %1 the count
    DamagedHeading,      // %1 the count
    RunEndNotice,        // the desktop notification's summary
    RunEndNoticeBody,    // %1 saved, %2 skipped
    // One picture: uploading and saving.
    UploadTitle,
    CannotShowPicture, // %1 path, %2 reason
    ShownIncomplete,   // %1 path, %2 reason
    SaveQqShowTitle,
    QqShowNotLoaded, // %1 the load failure
    SaveFailedTitle,
    CannotSave,  // %1 path, %2 reason
    ReplaceFile, // %1 the file name
    // The file dialogs' filters.
    KindFilter, // %1 format, %2 patterns
    AllPictures,
    AllFiles,
    // The badge layout menu.
    SaveLayout,
    LoadLayout,
    LayoutFilter,
    PictureFit,
    FitStretch,
    FitCover,
    FitCoverTop,
    FitContain,
    CannotSaveLayout, // %1 reason
    CannotLoadLayout, // %1 reason
    // Starting and fatal errors.
    WindowHelp,            // the window program's --help, in English
    NoChineseTranslations, // a warning on the terminal
    RootSandbox,
    NoStartWindow,
    FatalHeading,
    FatalCode,    // %1 the code
    FatalMessage, // %1 the message
    FatalTitle,
    AllocationFailed,   // %1 bytes
    NoExternalEntry,    // %1 the index
    NoExternalFunction, // %1 library, %2 function
    // Accessible names and descriptions.
    Up,
    Down,
    Left,
    Right,
    NudgeName,              // %1 the direction
    ToggleBadgeDescription, // %1 the badge
    NudgeDescription,       // %1 the direction
    RestoreBadgesDescription,
    UploadDescription,
    SavePictureDescription,
    QqShowLookupDescription,
    SaveQqShowDescription,
    BrowseMaterialFolderDescription,
    StartBatchDescription,
    ListFilesDescription,
    ReadLineDescription,
    PreviewDescription,
    BadgeDescription,
    LabelDescription,
    LabelColon, // removed from a label's caption to name its control
    PageName,
    PageDescription,
    EffectAreaDescription,
    BadgeKindsDescription,
    BadgeMovingDescription,
    SinglePictureDescription,
    BatchDescription,
    AboutDescription,
    LookupDescription,
    QqShowGroupDescription,
    CompositionFrameName,
    CompositionFrameDescription,
    CompositionPictureName,
    CompositionPictureDescription,
    ViewerFrameName,
    ViewerFrameDescription,
    InnerViewerFrameName,
    InnerViewerFrameDescription,
    QqShowViewerName,
    QqShowViewerDescription,
    QqNumberDescription,
    BadgeSelectorDescription,
    MaterialFormatDescription,
    MaterialFolderName,
    MaterialFolderDescription,
    OutputFolderDescription,
    SpareFormatName,
    SpareFormatDescription,
    LineNumberName,
    LineNumberDescription,
    CurrentFileName,
    CurrentFileDescription,
    FileListName,
    FileListDescription,
    PreviewName,
    ReadLineName,
    ListFilesName,
    // vorlith-batch.
    Complaint, // %1 what is wrong
    Version,   // %1 the version
    StopSoon,  // said by the signal handler
    StopNow,   // said by the signal handler
    Clashes,
    Unwritable,
    InTheWay,               // %1 the counted files
    OutputFileIs,           // counted: one
    OutputFilesAre,         // counted: more
    CannotMakeOutputFolder, // %1 folder
    OutputIsFolder,         // %1 output
    OutputIsMaterial,       // %1 output
    Clash,                  // %1 output, %2 the materials
    DryRunThere,            // %1 material, %2 output
    DryRunWritten,          // %1 material, %2 output
    DryRunSkipped,          // %1 material, %2 reason
    WouldReplace,           // %1 output
    InTheWayFile,           // %1 output
    DryRunSummary,          // %1 the counted materials, %2 the count
    ThereAlready,           // %1 the count
    DryRunEnd,              // %1 the count
    Material,               // counted
    Picture,                // counted
    Warning,                // %1 material, %2 reason
    SkippedWriting,         // %1 material, %2 output, %3 reason
    Skipped,                // %1 material, %2 reason
    StoppedWriting,         // %1 output, %2 reason
    NotFlushed,             // %1 reason
    Wrote,                  // %1 written, %2 the counted pictures, %3 folder, %4 seconds, %5 rate
    SkippedCount,           // %1 the count
    NotStarted,             // %1 how the run ended, %2 the count
    CutShort,
    Stopped,
    ProgressLine, // %1 the bar, %2 done, %3 total, %4 rate, %5 time left
    // Not a message: the number of codes, which the text table must match. New codes go above it.
    Count,
};

// The message in English, for vorlith-batch.
QString englishText(MessageCode code, const QStringList& args = {});

// The message in Chinese, for the window.
QString chineseText(MessageCode code, const QStringList& args = {});

// The English text as it is in the table, its arguments not filled: for a signal handler, which may call
// nothing that allocates.
const char* englishBytes(MessageCode code);

} // namespace core
