#include "core/messages.h"

#include "core/text.h"

#include <array>

namespace core {

namespace {

// clang-format off
// code                        English (vorlith-batch)   Chinese (window)
constexpr TextRow<MessageCode> kTexts[] = {
    {MessageCode::None, "", u""},
    // The window's batch: titles, prompts, questions and its report.
    {MessageCode::BatchTitle, "", u"信息："},
    {MessageCode::BrowsePrompt, "", u"浏览你需要的文件夹"},
    {MessageCode::NothingListed, "", u"请确定素材路径正确或者格式正确！"},
    {MessageCode::StopQuestion, "", u"批量制作正在进行。要停止吗？"},
    {MessageCode::ReplaceQuestion, "", u"%1 个文件已存在，替换？"},
    {MessageCode::OverMaterials, "", u"输出文件 %1 是素材本身（共 %2 个），保存会毁掉素材。请选择另一个输出文件夹。"},
    {MessageCode::FolderInTheWay, "", u"输出文件 %1 是一个文件夹（共 %2 个），无法保存。请选择另一个输出文件夹。"},
    {MessageCode::NoThread, "no thread can be started (a process or memory limit?); nothing was written", u"无法启动线程（进程或内存的限制？），未保存任何图片。"},
    {MessageCode::CannotSavePicture, "", u"无法保存图片 %1：%2"},
    {MessageCode::CannotFlushPictures, "", u"无法把图片写入 %1：%2"},
    {MessageCode::ListedReason, "", u"%1：%2"},
    {MessageCode::ListedMore, "  ... and %1 more", u"……另有 %1 个"},
    {MessageCode::RunSaved, "", u"已保存 %1 张图片"},
    {MessageCode::RunFinished, "", u"完成：%1"},
    {MessageCode::RunStopped, "", u"已停止：%1"},
    {MessageCode::RunFailed, "", u"出错停止：%1"},
    {MessageCode::RunFailure, "", u"批量制作已停止。%1"},
    {MessageCode::RunSummary, "", u"%1。"},
    {MessageCode::NotLoadedHeading, "", u"以下 %1 个素材未能载入，已跳过："},
    {MessageCode::NotWrittenHeading, "", u"以下 %1 个素材的图片无法保存，已跳过："},
    {MessageCode::DamagedHeading, "", u"以下 %1 个素材的数据不完整，已保存，缺少的部分为灰色："},
    {MessageCode::RunEndNotice, "", u"批量制作完成"},
    {MessageCode::RunEndNoticeBody, "", u"已保存 %1 张图片，跳过 %2 个"},
    // One picture: uploading and saving.
    {MessageCode::UploadTitle, "", u"上传图片"},
    {MessageCode::CannotShowPicture, "", u"无法显示图片 %1：%2"},
    {MessageCode::ShownIncomplete, "", u"图片 %1 已显示，但不完整：%2"},
    {MessageCode::SaveQqShowTitle, "", u"保存QQ秀"},
    {MessageCode::QqShowNotLoaded, "", u"QQ秀没有载入（%1），没有可保存的图片。"},
    {MessageCode::SaveFailedTitle, "", u"保存失败"},
    {MessageCode::CannotSave, "", u"无法保存 %1：%2"},
    {MessageCode::ReplaceFile, "", u"%1 已存在。\n要替换它吗？"},
    // The file dialogs' filters.
    {MessageCode::KindFilter, "", u"%1 图片 (%2)"},
    {MessageCode::AllPictures, "", u"所有支持的图片"},
    {MessageCode::AllFiles, "", u"所有文件 (*)"},
    // The badge layout menu.
    {MessageCode::SaveLayout, "", u"保存图标布局…"},
    {MessageCode::LoadLayout, "", u"载入图标布局…"},
    {MessageCode::LayoutFilter, "", u"图标布局 (*.layout)"},
    {MessageCode::PictureFit, "", u"图片适配"},
    {MessageCode::FitStretch, "", u"拉伸填满"},
    {MessageCode::FitCover, "", u"裁剪填满（居中）"},
    {MessageCode::FitCoverTop, "", u"裁剪填满（保留顶部）"},
    {MessageCode::FitContain, "", u"完整显示（留白）"},
    {MessageCode::CannotSaveLayout, "", u"无法保存图标布局：%1"},
    {MessageCode::CannotLoadLayout, "", u"无法载入图标布局：%1"},
    // Starting and fatal errors.
    {MessageCode::WindowHelp, "Opens one window with two pages. On the first, eleven QQ service badges lie over a composition picture;\n"
                              "each can be shown, hidden and moved pixel by pixel, and the composition is saved as a PNG file. A folder\n"
                              "of material pictures can be made into numbered PNG files, one per material. The second page looks up a\n"
                              "QQ Show picture by QQ number in a web view and saves it.", u""},
    {MessageCode::NoChineseTranslations, "Qt's Chinese translations are not installed (Debian: qt6-translations-l10n); standard dialogs will be in English", u""},
    {MessageCode::RootSandbox, "", u"以 root 身份运行时，网页视图（Qt WebEngine）的沙箱无法启动，程序不能运行。\r\n"
     u"请以普通用户身份运行；或在信任所访问网页时，关闭沙箱后再运行：\r\n"
     u"QTWEBENGINE_DISABLE_SANDBOX=1 vorlith-show\r\n"
     u"(Run as root, the web view's sandbox cannot start. Run as an ordinary user, or start with "
     u"QTWEBENGINE_DISABLE_SANDBOX=1 to turn the sandbox off.)"},
    {MessageCode::NoStartWindow, "", u"载入启动窗口失败"},
    {MessageCode::FatalHeading, "", u"运行时出错!"},
    {MessageCode::FatalCode, "", u"错误代码：%1"},
    {MessageCode::FatalMessage, "", u"错误信息：%1"},
    {MessageCode::FatalTitle, "", u"错误"},
    {MessageCode::AllocationFailed, "", u"分配 %1 字节内存失败!"},
    {MessageCode::NoExternalEntry, "", u"外部函数表没有第 %1 项"},
    {MessageCode::NoExternalFunction, "", u"无法找到指定DLL库文件“%1”中的输出命令“%2”"},
    // Accessible names and descriptions.
    {MessageCode::Up, "", u"上"},
    {MessageCode::Down, "", u"下"},
    {MessageCode::Left, "", u"左"},
    {MessageCode::Right, "", u"右"},
    {MessageCode::NudgeName, "", u"%1移"},
    {MessageCode::ToggleBadgeDescription, "", u"显示或隐藏效果区的图标“%1”"},
    {MessageCode::NudgeDescription, "", u"把“你要移动的图标”选中的图标向%1移动一像素"},
    {MessageCode::RestoreBadgesDescription, "", u"把所有图标放回原来的位置"},
    {MessageCode::UploadDescription, "", u"选择一张图片，显示在效果区的图标下面"},
    {MessageCode::SavePictureDescription, "", u"把效果区的画面保存为图片文件"},
    {MessageCode::QqShowLookupDescription, "", u"查询所填QQ号的QQ秀"},
    {MessageCode::SaveQqShowDescription, "", u"把显示的QQ秀保存为图片文件"},
    {MessageCode::BrowseMaterialFolderDescription, "", u"选择素材所在的文件夹"},
    {MessageCode::StartBatchDescription, "", u"选择保存的文件夹，把每个素材做成一张图片"},
    {MessageCode::ListFilesDescription, "", u"列出素材文件夹里的素材文件"},
    {MessageCode::ReadLineDescription, "", u"读出文件列表的一行"},
    {MessageCode::PreviewDescription, "", u"在效果区预览当前的素材文件"},
    {MessageCode::BadgeDescription, "", u"图标；点击选中它，拖动它移动窗口"},
    {MessageCode::LabelDescription, "", u"说明文字"},
    {MessageCode::LabelColon, "", u"："},
    {MessageCode::PageName, "", u"页面"},
    {MessageCode::PageDescription, "", u"两页：制作QQ真人秀，取QQ真人秀"},
    {MessageCode::EffectAreaDescription, "", u"图片和十一个图标合成的效果；点击图标选中它，方向键移动它"},
    {MessageCode::BadgeKindsDescription, "", u"每个按钮显示或隐藏一个图标"},
    {MessageCode::BadgeMovingDescription, "", u"把选中的图标一像素一像素地移动"},
    {MessageCode::SinglePictureDescription, "", u"上传一张图片，或保存效果区的画面"},
    {MessageCode::BatchDescription, "", u"把一个文件夹的素材逐个做成图片"},
    {MessageCode::AboutDescription, "", u"软件和作者的说明"},
    {MessageCode::LookupDescription, "", u"按QQ号查询并保存QQ秀"},
    {MessageCode::QqShowGroupDescription, "", u"查询到的QQ秀"},
    {MessageCode::CompositionFrameName, "", u"效果图框"},
    {MessageCode::CompositionFrameDescription, "", u"保存图片时保存的画面：黑边里的图片和图标"},
    {MessageCode::CompositionPictureName, "", u"效果图片"},
    {MessageCode::CompositionPictureDescription, "", u"图标下面的图片；可以把图片文件拖到这里"},
    {MessageCode::ViewerFrameName, "", u"QQ秀图框"},
    {MessageCode::ViewerFrameDescription, "", u"保存QQ秀时保存的画面"},
    {MessageCode::InnerViewerFrameName, "", u"QQ秀内框"},
    {MessageCode::InnerViewerFrameDescription, "", u"QQ秀图片的边框"},
    {MessageCode::QqShowViewerName, "", u"QQ秀图片"},
    {MessageCode::QqShowViewerDescription, "", u"查询到的QQ秀图片"},
    {MessageCode::QqNumberDescription, "", u"要查询QQ秀的QQ号"},
    {MessageCode::BadgeSelectorDescription, "", u"方向按钮移动的图标的名字"},
    {MessageCode::MaterialFormatDescription, "", u"批量修改时列出的素材文件的扩展名"},
    {MessageCode::MaterialFolderName, "", u"素材文件夹"},
    {MessageCode::MaterialFolderDescription, "", u"批量修改的素材所在的文件夹"},
    {MessageCode::OutputFolderDescription, "", u"批量修改的图片保存到的文件夹"},
    {MessageCode::SpareFormatName, "", u"备用格式"},
    {MessageCode::SpareFormatDescription, "", u"备用的素材格式"},
    {MessageCode::LineNumberName, "", u"行号"},
    {MessageCode::LineNumberDescription, "", u"批量修改下一个要读的文件列表的行"},
    {MessageCode::CurrentFileName, "", u"当前文件"},
    {MessageCode::CurrentFileDescription, "", u"批量修改当前的素材文件"},
    {MessageCode::FileListName, "", u"文件列表"},
    {MessageCode::FileListDescription, "", u"批量修改的素材文件，一行一个"},
    {MessageCode::PreviewName, "", u"预览"},
    {MessageCode::ReadLineName, "", u"读一行"},
    {MessageCode::ListFilesName, "", u"列出文件"},
    // vorlith-batch.
    {MessageCode::Complaint, "vorlith-batch: %1", u""},
    {MessageCode::Version, "vorlith-batch %1", u""},
    {MessageCode::StopSoon, "vorlith-batch: stopping after the pictures in progress (again to stop at once)...", u""},
    {MessageCode::StopNow, "vorlith-batch: stopped at once", u""},
    {MessageCode::Clashes, "materials would share output names (--names material); nothing was written:", u""},
    {MessageCode::Unwritable, "these output names can never be written:", u""},
    {MessageCode::InTheWay, "%1 there; nothing was written (--overwrite replaces them, --skip-existing leaves them and writes the rest):", u""},
    {MessageCode::OutputFileIs, "output file is", u""},
    {MessageCode::OutputFilesAre, "output files are", u""},
    {MessageCode::CannotMakeOutputFolder, "cannot make the output folder %1", u""},
    {MessageCode::OutputIsFolder, "%1 (a folder)", u""},
    {MessageCode::OutputIsMaterial, "%1 (one of the materials)", u""},
    {MessageCode::Clash, "%1 from %2", u""},
    {MessageCode::DryRunThere, "%1 -> %2 is there, left as it is", u""},
    {MessageCode::DryRunWritten, "%1 -> %2", u""},
    {MessageCode::DryRunSkipped, "%1 -> skipped: %2", u""},
    {MessageCode::WouldReplace, "would replace %1", u""},
    {MessageCode::InTheWayFile, "in the way: %1", u""},
    {MessageCode::DryRunSummary, "dry run: %1, %2 would be written", u""},
    {MessageCode::ThereAlready, ", %1 there already", u""},
    {MessageCode::DryRunEnd, ", %1 would be skipped; nothing was written", u""},
    {MessageCode::Material, "material", u""},
    {MessageCode::Picture, "picture", u""},
    {MessageCode::Warning, "warning: %1: %2", u""},
    {MessageCode::SkippedWriting, "skipped %1: cannot write %2: %3", u""},
    {MessageCode::Skipped, "skipped %1: %2", u""},
    {MessageCode::StoppedWriting, "vorlith-batch: stopped: cannot write %1: %2", u""},
    {MessageCode::NotFlushed, "vorlith-batch: the pictures could not be flushed to the disk: %1", u""},
    {MessageCode::Wrote, "wrote %1 of %2 to %3 in %4 s (%5/s)", u""},
    {MessageCode::SkippedCount, ", %1 skipped", u""},
    {MessageCode::NotStarted, ", %1 with %2 not started", u""},
    {MessageCode::CutShort, "cut short", u""},
    {MessageCode::Stopped, "stopped", u""},
    {MessageCode::ProgressLine, "[%1] %2/%3  %4/s  %5 left ", u""},
};
// clang-format on

// As in the reason table: a code is its own index, a code without a row does not compile, and the order
// check catches a row put in the wrong place.
static_assert(isCodeTable(kTexts), "one row per code, in the enum's order");

} // namespace

QString englishText(MessageCode code, const QStringList& args)
{
    return fillArguments(QString::fromUtf8(textRow(kTexts, code).english), args);
}

QString chineseText(MessageCode code, const QStringList& args)
{
    return fillArguments(QString::fromUtf16(textRow(kTexts, code).chinese), args);
}

const char* englishBytes(MessageCode code)
{
    return textRow(kTexts, code).english;
}

} // namespace core
