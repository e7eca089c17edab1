#include "material/batch.h"

#include "core/text.h"
#include "material/file_listing.h"
#include "material/picture_file.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace material {

using namespace core::ids;

namespace {

constexpr char16_t kStopQuestion[] = u"批量制作正在进行。要停止吗？";
constexpr char16_t kReplaceQuestion[] = u"%1 个文件已存在，替换？";
constexpr char16_t kOverMaterials[] = u"输出文件 %1 是素材本身（共 %2 个），保存会毁掉素材。请选择另一个输出文件夹。";
constexpr char16_t kFolderInTheWay[] = u"输出文件 %1 是一个文件夹（共 %2 个），无法保存。请选择另一个输出文件夹。";

// The report lists at most this many skipped materials by name; a message box taller than the screen
// would hide its own OK button.
constexpr std::size_t kListedSkips = 20;

} // namespace

void BatchHandlers::chooseMaterialFolder(core::Controls& controls)
{
    const QString chosen = controls.browseForFolder(QString::fromUtf16(kBrowsePrompt));
    // A cancelled browser keeps the folder the user had.
    if (chosen.isEmpty())
        return;
    controls.setText(MaterialFolderBox, withTrailingSeparator(QDir::toNativeSeparators(chosen)));
}

void BatchHandlers::listFiles(core::Controls& controls)
{
    m_listed = listMaterials(controls.text(MaterialFolderBox), controls.text(MaterialFormatBox));
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_listed.size()));
    for (const ListedFile& file : m_listed)
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
        controls.showMessage(QString::fromUtf16(kMessageTitle), QString::fromUtf16(kNothingListedMessage));
        return;
    }
    const QString output = controls.browseForFolder(QString::fromUtf16(kBrowsePrompt));
    if (output.isEmpty() || !outputFolderAccepted(controls, output))
        return;
    controls.setText(OutputFolderBox, withTrailingSeparator(QDir::toNativeSeparators(output)));
    m_report = {};
    controls.setStatus(QStringLiteral("0/%1").arg(controls.lineCount(FileList)));
    controls.setProgress(0, controls.lineCount(FileList));
    controls.setInterval(BatchTimer, kBatchInterval);
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
        names.append(numberedName(n));
    const OutputCheck check = checkOutputs(folder, names, controls.text(MaterialFolderBox), m_listed);
    const std::vector<qsizetype>& refused = !check.overMaterials.empty() ? check.overMaterials : check.folders;
    if (!refused.empty()) {
        const QString why =
            !check.overMaterials.empty() ? QString::fromUtf16(kOverMaterials) : QString::fromUtf16(kFolderInTheWay);
        const QString firstRefused = numberedOutput(folder, first + refused.front());
        controls.showMessage(QString::fromUtf16(kMessageTitle),
                             why.arg(QDir::toNativeSeparators(firstRefused)).arg(refused.size()));
        return false;
    }
    // Without a Yes nothing is replaced, not even a file that appears while the run goes on.
    m_writeMode = WriteMode::NoReplace;
    if (check.existing.empty())
        return true;
    if (!controls.askYesNo(QString::fromUtf16(kMessageTitle),
                           QString::fromUtf16(kReplaceQuestion).arg(check.existing.size())))
        return false;
    m_writeMode = WriteMode::Replace;
    return true;
}

int BatchHandlers::currentLineIndex(const core::Controls& controls) const
{
    return core::numberToInt(core::textToNumber(controls.text(LineNumberBox)) - 1.0);
}

void BatchHandlers::readLine(core::Controls& controls)
{
    const int index = currentLineIndex(controls);
    // A line number outside the list reads as an empty line, which is how a run finds its end.
    QString line;
    if (index >= 0 && index < controls.lineCount(FileList))
        line = controls.line(FileList, index);
    // A line as the listing wrote it names that listed file, spaces, escapes and all. A line the user typed
    // is a name typed by hand: spaces around it are taken for slips of the keyboard.
    if (index >= 0 && static_cast<std::size_t>(index) < m_listed.size() && line == m_listed[index].shown)
        m_current = m_listed[index];
    else
        m_current = {QFile::encodeName(core::trimSpaces(line)), core::trimSpaces(line)};
    controls.setText(CurrentFileBox, m_current.shown);
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
    const core::Reason error = readPictureFile(QFile::encodeName(withTrailingSeparator(folder)) + native, bytes);
    // A file that could not be read gives empty bytes, which clear the box; a refused picture is cleared
    // here, so no earlier material lingers under this line's number.
    const core::Reason refused = controls.setPicture(CompositionPicture, bytes);
    if (refused)
        controls.setPicture(CompositionPicture, {});
    return core::chineseText(error ? error : refused);
}

void BatchHandlers::step(core::Controls& controls)
{
    // A tick that was already due when the run ended must not write a picture.
    if (controls.interval(BatchTimer) == 0)
        return;
    const int index = currentLineIndex(controls);
    readLine(controls);
    const QString name = controls.text(CurrentFileBox);
    if (name.isEmpty()) {
        endRun(controls, RunEnd::Finished, {});
        return;
    }
    const QString failure = loadCurrentFile(controls);
    if (!failure.isEmpty()) {
        // No picture for this line: its number stays unused, so every written file still carries the line
        // number of its material.
        m_report.skipped.push_back({name, failure});
    } else {
        const QString folder = controls.text(OutputFolderBox);
        const QString path = numberedOutput(folder, index + 1);
        // The window's batch replaces earlier output of the same names, as it always has; a symbolic link at
        // a name is replaced, never written through.
        const WriteResult written = folder.isEmpty()
                                        ? WriteResult{core::ReasonCode::NoOutputFolder}
                                        : writePictureFile(path, controls.renderFrame(CompositionFrame), m_writeMode);
        if (!written.ok()) {
            endRun(controls,
                   RunEnd::Failed,
                   QStringLiteral("无法保存图片 %1：%2")
                       .arg(QDir::toNativeSeparators(path), core::chineseText(written.reason)));
            return;
        }
        ++m_report.written;
        if (const core::Reason damaged = controls.pictureWarning(CompositionPicture))
            m_report.damaged.push_back({name, core::chineseText(damaged)});
    }
    controls.setText(LineNumberBox, core::numberToText(index + 2.0));
    controls.setStatus(QStringLiteral("%1/%2").arg(index + 1).arg(controls.lineCount(FileList)));
    controls.setProgress(index + 1, controls.lineCount(FileList));
}

bool BatchHandlers::mayClose(core::Controls& controls)
{
    // No keeps the window and the run; the pictures already written stay either way.
    return controls.interval(BatchTimer) == 0 || askToStop(controls);
}

// Adds the heading (its %1 the count) and the materials with their reasons, at most kListedSkips of them.
void BatchHandlers::appendListed(QString& text, const QString& heading, const std::vector<Skipped>& listed)
{
    if (listed.empty())
        return;
    text += QLatin1Char('\n') + heading.arg(listed.size());
    for (std::size_t i = 0; i < listed.size() && i < kListedSkips; ++i)
        text += QLatin1Char('\n') + listed[i].name + QStringLiteral("：") + listed[i].reason;
    if (listed.size() > kListedSkips)
        text += QLatin1Char('\n') + QStringLiteral("……另有 %1 个").arg(listed.size() - kListedSkips);
}

bool BatchHandlers::askToStop(core::Controls& controls)
{
    if (!controls.askYesNo(QString::fromUtf16(kMessageTitle), QString::fromUtf16(kStopQuestion)))
        return false;
    // The timer keeps ticking while the question is open, so the run may have ended meanwhile.
    if (controls.interval(BatchTimer) != 0)
        endRun(controls, RunEnd::Stopped, {});
    return true;
}

// Puts the controls back to their state between runs, then tells the user what the run did. The timer is
// stopped first: a message box runs its own event loop, and no tick may step a run that is over.
void BatchHandlers::endRun(core::Controls& controls, RunEnd how, const QString& givenFailure)
{
    controls.setInterval(BatchTimer, 0);
    // The pictures count as saved once they are on the disk: the output's file system is flushed once.
    QString failure = givenFailure;
    if (m_report.written > 0) {
        const QString folder = controls.text(OutputFolderBox);
        if (const core::Reason synced = syncOutputFolder(folder); synced && failure.isEmpty()) {
            how = RunEnd::Failed;
            failure = QStringLiteral("无法把图片写入 %1：%2").arg(folder, core::chineseText(synced));
        }
    }
    controls.setPicture(CompositionPicture, {});
    controls.setText(CurrentFileBox, {});
    controls.setText(LineNumberBox, QStringLiteral("1"));
    const Report report = std::move(m_report);
    m_report = {};

    const QString summary = QStringLiteral("已保存 %1 张图片").arg(report.written);
    const QString ending = how == RunEnd::Finished  ? QStringLiteral("完成：")
                           : how == RunEnd::Stopped ? QStringLiteral("已停止：")
                                                    : QStringLiteral("出错停止：");
    controls.setStatus(ending + summary);
    controls.setProgress(0, 0);
    controls.announceRunEnd(report.written, static_cast<int>(report.skipped.size()));
    if (failure.isEmpty() && report.skipped.empty() && report.damaged.empty())
        return;

    QString text;
    if (!failure.isEmpty())
        text += QStringLiteral("批量制作已停止。") + failure + QLatin1Char('\n');
    text += summary + QStringLiteral("。");
    appendListed(text, QStringLiteral("以下 %1 个素材未能载入，已跳过："), report.skipped);
    appendListed(text, QStringLiteral("以下 %1 个素材的数据不完整，已保存，缺少的部分为灰色："), report.damaged);
    controls.showMessage(QString::fromUtf16(kMessageTitle), text);
}

} // namespace material
