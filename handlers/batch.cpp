#include "handlers/batch.h"

#include "core/badges.h"
#include "core/text.h"
#include "material/badge_layout.h"
#include "material/file_listing.h"
#include "material/picture_file.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <chrono>

namespace handlers {

using namespace core::ids;

namespace {

// The report lists at most this many skipped materials by name; a message box taller than the screen
// would hide its own OK button.
constexpr std::size_t kListedSkips = 20;

// The least time between two showings of a run's progress, in milliseconds: 25 a second.
constexpr qint64 kShowEveryMs = 40;

} // namespace

BatchHandlers::BatchHandlers(int workers) : m_workers(workers) {}

BatchHandlers::~BatchHandlers() = default;

void BatchHandlers::chooseMaterialFolder(core::Controls& controls)
{
    const QString chosen = controls.browseForFolder(core::chineseText(core::MessageCode::BrowsePrompt));
    // A cancelled browser keeps the folder the user had.
    if (chosen.isEmpty())
        return;
    controls.setText(MaterialFolderBox, material::withTrailingSeparator(QDir::toNativeSeparators(chosen)));
}

void BatchHandlers::listFiles(core::Controls& controls)
{
    m_listed = material::listMaterials(controls.text(MaterialFolderBox), controls.text(MaterialFormatBox));
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_listed.size()));
    for (const material::ListedFile& file : m_listed)
        lines.append(file.shown);
    // Written once, whole: the list is a control's text, and rebuilding it name by name costs a full copy of
    // the text for every name.
    controls.setText(FileList, lines.join(QStringLiteral("\r\n")));
}

void BatchHandlers::startRun(core::Controls& controls)
{
    // During a run the list is what the run walks through; rebuilding it would change the names under the
    // line numbers the run has already written. The click offers to stop the run instead.
    if (controls.interval(BatchTimer) != 0) {
        askToStop(controls);
        return;
    }
    listFiles(controls);
    if (controls.text(FileList).isEmpty()) {
        controls.showMessage(core::chineseText(core::MessageCode::BatchTitle),
                             core::chineseText(core::MessageCode::NothingListed));
        return;
    }
    const QString output = controls.browseForFolder(core::chineseText(core::MessageCode::BrowsePrompt));
    if (output.isEmpty() || !outputFolderAccepted(controls, output))
        return;
    controls.setText(OutputFolderBox, material::withTrailingSeparator(QDir::toNativeSeparators(output)));
    controls.setStatus(QStringLiteral("0/%1").arg(controls.lineCount(FileList)));
    controls.setProgress(0, controls.lineCount(FileList));
    controls.setInterval(BatchTimer, kBatchInterval);
    beginRun(controls);
}

// Looks at the numbered files the run will write, before it writes any. An output that is one of the
// materials (the output folder is the material folder and the format is png), or a folder under an output
// name, refuses the folder; outputs that exist are replaced only when the user says so, asked once.
bool BatchHandlers::outputFolderAccepted(core::Controls& controls, const QString& folder)
{
    const int lines = controls.lineCount(FileList);
    const qint64 first = std::max(currentLineIndex(controls), 0) + 1;
    QStringList names;
    for (qint64 n = first; n <= lines; ++n)
        names.append(material::numberedName(n));
    const material::OutputCheck check =
        material::checkOutputs(folder, names, controls.text(MaterialFolderBox), m_listed);
    const std::vector<qsizetype>& refused = !check.overMaterials.empty() ? check.overMaterials : check.folders;
    if (!refused.empty()) {
        const core::MessageCode why =
            !check.overMaterials.empty() ? core::MessageCode::OverMaterials : core::MessageCode::FolderInTheWay;
        const QString firstRefused = material::numberedOutput(folder, first + refused.front());
        controls.showMessage(
            core::chineseText(core::MessageCode::BatchTitle),
            core::chineseText(why, {QDir::toNativeSeparators(firstRefused), QString::number(refused.size())}));
        return false;
    }
    // Without a Yes nothing is replaced, not even a file that appears while the run goes on.
    m_writeMode = material::WriteMode::NoReplace;
    if (check.existing.empty())
        return true;
    if (!controls.askYesNo(
            core::chineseText(core::MessageCode::BatchTitle),
            core::chineseText(core::MessageCode::ReplaceQuestion, {QString::number(check.existing.size())})))
        return false;
    m_writeMode = material::WriteMode::Replace;
    return true;
}

int BatchHandlers::currentLineIndex(const core::Controls& controls) const
{
    return core::numberToInt(core::textToNumber(controls.text(LineNumberBox)) - 1.0);
}

void BatchHandlers::readLine(core::Controls& controls)
{
    const int index = currentLineIndex(controls);
    m_current = lineFile(controls, index);
    controls.setText(CurrentFileBox, m_current.shown);
}

material::ListedFile BatchHandlers::lineFile(const core::Controls& controls, int index) const
{
    // A line number outside the list reads as an empty line, which is how a run finds its end.
    QString line;
    if (index >= 0 && index < controls.lineCount(FileList))
        line = controls.line(FileList, index);
    // A line as the listing wrote it names that listed file, spaces, escapes and all. A line the user typed
    // is a name typed by hand: spaces around it are taken for slips of the keyboard.
    if (index >= 0 && static_cast<std::size_t>(index) < m_listed.size() && line == m_listed[index].shown)
        return m_listed[index];
    return {QFile::encodeName(core::trimSpaces(line)), core::trimSpaces(line)};
}

void BatchHandlers::previewCurrentFile(core::Controls& controls)
{
    loadCurrentFile(controls);
}

// Shows the current file in the composition picture box. Returns why it could not be shown, empty when it
// is shown; on failure the box is left without a picture, so no earlier material lingers on screen.
QString BatchHandlers::loadCurrentFile(core::Controls& controls)
{
    const QString folder = controls.text(MaterialFolderBox);
    const QString name = controls.text(CurrentFileBox);
    core::Reason why;
    if (name.isEmpty())
        why = core::ReasonCode::NoFileNamed;
    else if (folder.isEmpty())
        why = core::ReasonCode::NoMaterialFolder;
    if (why) {
        controls.setPicture(CompositionPicture, {});
        return core::chineseText(why);
    }
    // The box holds the name readLine put there, unless the user has typed over it since.
    const QByteArray native = name == m_current.shown ? m_current.native : QFile::encodeName(name);
    QByteArray bytes;
    const core::Reason error =
        material::readPictureFile(QFile::encodeName(material::withTrailingSeparator(folder)) + native, bytes);
    // A file that could not be read gives empty bytes, which clear the box; a refused picture is cleared
    // here, so no earlier material lingers under this line's number.
    const core::Reason refused = controls.setPicture(CompositionPicture, bytes);
    if (refused)
        controls.setPicture(CompositionPicture, {});
    return core::chineseText(error ? error : refused);
}

// The run's lines, from the line-number box to the first empty line, as materials of the engine's job, each
// composed like the composition frame shows its badges and fit when the run begins.
material::BatchJob BatchHandlers::jobOf(const core::Controls& controls)
{
    const QString folder = controls.text(MaterialFolderBox);
    m_outputFolder = controls.text(OutputFolderBox);
    m_first = std::max(currentLineIndex(controls), 0);
    m_lines = controls.lineCount(FileList);
    material::BatchJob job;
    m_names.clear();
    for (int index = m_first; index < m_lines; ++index) {
        const material::ListedFile file = lineFile(controls, index);
        if (file.shown.isEmpty())
            break;
        material::BatchMaterial m{file.shown,
                                  QFile::encodeName(material::withTrailingSeparator(folder)) + file.native,
                                  material::numberedOutput(m_outputFolder, index + 1),
                                  false,
                                  {}};
        if (folder.isEmpty())
            m.refused = core::ReasonCode::NoMaterialFolder;
        job.materials.push_back(std::move(m));
        m_names.push_back(file.shown);
    }
    std::array<QImage, core::kBadgeCount> bitmaps;
    for (std::size_t i = 0; i < bitmaps.size(); ++i)
        bitmaps[i] = controls.badgeBitmap(core::kBadges[i].id);
    job.look.badges = material::badgeLayers(material::badgeLayoutOf(controls), bitmaps);
    const int fit = controls.pictureFit(CompositionPicture);
    job.look.fit = material::fitName(static_cast<material::Fit>(fit)).isEmpty() ? material::Fit::Stretch
                                                                                : static_cast<material::Fit>(fit);
    job.mode = m_writeMode;
    job.workers = m_workers;
    job.keepPictures = true;
    return job;
}

// Starts the engine on the controls' run; false when the run ended at once instead.
bool BatchHandlers::beginRun(core::Controls& controls)
{
    m_report = {};
    m_failure.clear();
    m_shownDone = 0;
    m_newest.reset();
    m_sinceShown.invalidate();
    material::BatchJob job = jobOf(controls);
    if (m_outputFolder.isEmpty() && !job.materials.empty()) {
        endRun(controls,
               RunEnd::Failed,
               core::chineseText(core::MessageCode::CannotSavePicture,
                                 {QDir::toNativeSeparators(job.materials.front().output),
                                  core::chineseText(core::ReasonCode::NoOutputFolder)}));
        return false;
    }
    if (!material::startQtPoolThread()) {
        controls.setInterval(BatchTimer, 0);
        controls.setStatus({});
        controls.showMessage(core::chineseText(core::MessageCode::BatchTitle),
                             core::chineseText(core::MessageCode::NoThread));
        return false;
    }
    m_engine = std::make_unique<material::BatchEngine>(std::move(job));
    // No worker to be had: the run goes on this thread, the window unanswering until it ends.
    if (m_engine->start() == 0)
        m_engine->workHere();
    return true;
}

void BatchHandlers::step(core::Controls& controls)
{
    // A tick that was already due when the run ended must not start or show anything.
    if (controls.interval(BatchTimer) == 0)
        return;
    // A timer started by hand runs the list from the line-number box.
    if (!m_engine && !beginRun(controls))
        return;
    // Looked at before the reports are taken: every report of an ended run is then among them.
    const bool ended = m_engine->end().has_value();
    std::vector<material::MaterialDone> finished = m_engine->takeFinished();
    for (material::MaterialDone& done : finished)
        note(done);
    if (!finished.empty())
        m_newest = std::move(finished.back());
    if (ended) {
        finishRun(controls);
        return;
    }
    // The box and the progress follow the run at most kShowEveryMs apart: more often is not seen, and every
    // showing costs this thread a repaint while the workers want every core.
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < kShowEveryMs)
        return;
    m_sinceShown.start();
    if (m_newest) {
        showNewest(controls, *m_newest);
        m_newest.reset();
    }
    if (m_engine->done() != m_shownDone) {
        m_shownDone = m_engine->done();
        controls.setStatus(QStringLiteral("%1/%2").arg(m_first + static_cast<int>(m_shownDone)).arg(m_lines));
        controls.setProgress(static_cast<int>(m_shownDone), static_cast<int>(m_engine->total()));
    }
}

void BatchHandlers::note(material::MaterialDone& done)
{
    const QString& name = m_names[done.index];
    switch (done.outcome) {
    case material::MaterialDone::Written:
        ++m_report.written;
        if (done.warning)
            m_report.damaged.push_back({done.index, name, core::chineseText(done.warning)});
        break;
    case material::MaterialDone::Skipped:
        // No picture for this line: its number stays unused, so every written file still carries the line
        // number of its material.
        (done.writing ? m_report.unwritten : m_report.skipped)
            .push_back({done.index, name, core::chineseText(done.reason)});
        break;
    case material::MaterialDone::WriteFailed:
        // The first in listing order, when the workers met the failure with more than one material.
        if (m_failure.isEmpty() || done.index < m_failureIndex) {
            m_failureIndex = done.index;
            m_failure = core::chineseText(core::MessageCode::CannotSavePicture,
                                          {QDir::toNativeSeparators(material::numberedOutput(
                                               m_outputFolder, m_first + static_cast<qint64>(done.index) + 1)),
                                           core::chineseText(done.reason)});
        }
        break;
    case material::MaterialDone::Present:
        break;
    }
}

// The composition picture box shows the newest finished material, or nothing when it gave no picture, and
// the current-file and line-number boxes follow it.
void BatchHandlers::showNewest(core::Controls& controls, const material::MaterialDone& newest)
{
    controls.showPicture(CompositionPicture, newest.picture, newest.warning);
    controls.setText(CurrentFileBox, m_names[newest.index]);
    controls.setText(LineNumberBox, core::numberToText(m_first + static_cast<double>(newest.index) + 2.0));
}

void BatchHandlers::finishRun(core::Controls& controls)
{
    const material::BatchEnd end = *m_engine->end();
    m_engine.reset();
    RunEnd how = !m_failure.isEmpty() ? RunEnd::Failed : end.stopped ? RunEnd::Stopped : RunEnd::Finished;
    QString failure = m_failure;
    // The pictures count as saved once they are on the disk: the engine flushed the output's file system.
    if (end.syncFailure && failure.isEmpty()) {
        how = RunEnd::Failed;
        failure = core::chineseText(core::MessageCode::CannotFlushPictures,
                                    {m_outputFolder, core::chineseText(end.syncFailure)});
    }
    endRun(controls, how, failure);
}

void BatchHandlers::waitForProgress(int timeoutMs)
{
    if (m_engine)
        m_engine->waitForNews(std::chrono::milliseconds(timeoutMs));
}

bool BatchHandlers::mayClose(core::Controls& controls)
{
    // No keeps the window and the run; the pictures already written stay either way.
    return controls.interval(BatchTimer) == 0 || askToStop(controls);
}

// Adds the heading (its %1 the count) and the materials with their reasons in listing order, at most
// kListedSkips of them.
void BatchHandlers::appendListed(QString& text, core::MessageCode heading, std::vector<Skipped> listed)
{
    if (listed.empty())
        return;
    std::sort(listed.begin(), listed.end(), [](const Skipped& a, const Skipped& b) { return a.index < b.index; });
    text += QLatin1Char('\n') + core::chineseText(heading, {QString::number(listed.size())});
    for (std::size_t i = 0; i < listed.size() && i < kListedSkips; ++i)
        text +=
            QLatin1Char('\n') + core::chineseText(core::MessageCode::ListedReason, {listed[i].name, listed[i].reason});
    if (listed.size() > kListedSkips)
        text += QLatin1Char('\n') +
                core::chineseText(core::MessageCode::ListedMore, {QString::number(listed.size() - kListedSkips)});
}

// While the question is open the engine takes no new material. Yes ends the run once the materials in
// progress are written (at most one per worker); No lets it go on.
bool BatchHandlers::askToStop(core::Controls& controls)
{
    if (m_engine)
        m_engine->pause();
    const bool stop = controls.askYesNo(core::chineseText(core::MessageCode::BatchTitle),
                                        core::chineseText(core::MessageCode::StopQuestion));
    // The timer keeps ticking while the question is open, so the run may have ended meanwhile.
    if (controls.interval(BatchTimer) == 0)
        return stop;
    if (!m_engine) {
        if (stop)
            endRun(controls, RunEnd::Stopped, {});
        return stop;
    }
    if (!stop) {
        m_engine->resume();
        return false;
    }
    m_engine->stop();
    while (!m_engine->waitForEnd(std::chrono::seconds(1))) {
    }
    step(controls);
    return true;
}

// Puts the controls back to their state between runs, then tells the user what the run did. The timer is
// stopped first: a message box runs its own event loop, and no tick may step a run that is over.
void BatchHandlers::endRun(core::Controls& controls, RunEnd how, const QString& failure)
{
    controls.setInterval(BatchTimer, 0);
    m_engine.reset();
    controls.setPicture(CompositionPicture, {});
    controls.setText(CurrentFileBox, {});
    controls.setText(LineNumberBox, QStringLiteral("1"));
    Report report = std::move(m_report);
    m_report = {};

    const QString summary = core::chineseText(core::MessageCode::RunSaved, {QString::number(report.written)});
    const core::MessageCode ending = how == RunEnd::Finished  ? core::MessageCode::RunFinished
                                     : how == RunEnd::Stopped ? core::MessageCode::RunStopped
                                                              : core::MessageCode::RunFailed;
    controls.setStatus(core::chineseText(ending, {summary}));
    controls.setProgress(0, 0);
    const std::size_t skipped = report.skipped.size() + report.unwritten.size();
    controls.announceRunEnd(report.written, static_cast<int>(skipped));
    if (failure.isEmpty() && skipped == 0 && report.damaged.empty())
        return;

    QString text;
    if (!failure.isEmpty())
        text += core::chineseText(core::MessageCode::RunFailure, {failure}) + QLatin1Char('\n');
    text += core::chineseText(core::MessageCode::RunSummary, {summary});
    appendListed(text, core::MessageCode::NotLoadedHeading, std::move(report.skipped));
    appendListed(text, core::MessageCode::NotWrittenHeading, std::move(report.unwritten));
    appendListed(text, core::MessageCode::DamagedHeading, std::move(report.damaged));
    controls.showMessage(core::chineseText(core::MessageCode::BatchTitle), text);
}

} // namespace handlers
