#pragma once

#include "core/controls.h"
#include "core/messages.h"
#include "material/batch_engine.h"
#include "material/file_listing.h"
#include "material/picture_file.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The batch: the material folder, the file listing and the run that saves one composed picture per listed
// material. The handlers act on the controls alone, so they run against the window and against any other
// implementation of core::Controls; the run itself is the batch engine's (material::BatchEngine), on every
// core, and the timer's ticks show its progress and the materials as they are finished.
namespace handlers {

// The batch timer's interval while a run is active, in milliseconds.
inline constexpr int kBatchInterval = 10;

// One per window. The batch's state lives in the controls (the file list, the current-file box, the
// line-number box, the timer); the handlers keep the run's engine and report, which no control holds, and the
// names they listed as the file system holds them, so a line the listing wrote is composed from exactly that
// file even when its name is no valid text or begins with a space.
class BatchHandlers {
public:
    // `workers` compose the materials of a run; 0 uses every core.
    explicit BatchHandlers(int workers = 0);
    ~BatchHandlers();
    BatchHandlers(const BatchHandlers&) = delete;
    BatchHandlers& operator=(const BatchHandlers&) = delete;

    // Before the window closes: true when no run is going or the user has agreed to stop it (then stopped).
    bool mayClose(core::Controls& controls);

    void chooseMaterialFolder(core::Controls& controls); // browse button 按钮7
    void listFiles(core::Controls& controls);            // list-files button 按钮1, and the start of a run
    void startRun(core::Controls& controls);             // save-to button 按钮4
    void step(core::Controls& controls);                 // batch timer 时钟1
    void readLine(core::Controls& controls);             // read-line button 按钮2
    void previewCurrentFile(core::Controls& controls);   // preview button 按钮3

    // Waits until the run has news for the next tick (a material finished, or the run's end), at most
    // `timeoutMs`; returns at once when no run is going. For callers that tick the timer by hand.
    void waitForProgress(int timeoutMs);

private:
    struct Skipped {
        std::size_t index = 0;
        QString name;
        QString reason;
    };
    enum class RunEnd { Finished, Stopped, Failed };
    struct Report {
        int written = 0;
        std::vector<Skipped> skipped;
        std::vector<Skipped> unwritten; // their outputs could not be written, the run went on
        std::vector<Skipped> damaged;   // written from data that was not all there
    };

    int currentLineIndex(const core::Controls& controls) const;
    bool outputFolderAccepted(core::Controls& controls, const QString& folder);
    QString loadCurrentFile(core::Controls& controls);
    material::ListedFile lineFile(const core::Controls& controls, int index) const;
    bool beginRun(core::Controls& controls);
    material::BatchJob jobOf(const core::Controls& controls);
    void note(material::MaterialDone& done);
    void showNewest(core::Controls& controls, const material::MaterialDone& newest);
    void finishRun(core::Controls& controls);
    bool askToStop(core::Controls& controls); // true when the user said stop
    static void appendListed(QString& text, core::MessageCode heading, std::vector<Skipped> listed);
    void endRun(core::Controls& controls, RunEnd how, const QString& failure);

    const int m_workers;
    Report m_report;
    std::vector<material::ListedFile> m_listed;                       // what listFiles wrote, line by line
    material::ListedFile m_current;                                   // what readLine put in the current-file box
    material::WriteMode m_writeMode = material::WriteMode::NoReplace; // Replace once the user has said Yes to replacing
    // The run in progress: its engine, its materials' names and output folder, the line of its first material
    // and the list's length, the failure that stopped it, how many materials the controls show as done and
    // the newest finished material they do not show yet.
    std::unique_ptr<material::BatchEngine> m_engine;
    std::vector<QString> m_names;
    QString m_outputFolder;
    int m_first = 0;
    int m_lines = 0;
    QString m_failure;
    std::size_t m_failureIndex = 0;
    std::size_t m_shownDone = 0;
    std::optional<material::MaterialDone> m_newest; // finished, not shown yet
    QElapsedTimer m_sinceShown;
};

} // namespace handlers
