#include "show/saving.h"

#include "material/picture_file.h"

#include <QFileInfo>

namespace show {

using core::ids::FileDialog;

void uploadPicture(core::Controls& controls)
{
    controls.setDialogMode(FileDialog, core::DialogMode::Open);
    if (controls.showDialog(FileDialog))
        uploadPictureFile(controls, controls.dialogFileName(FileDialog));
}

void uploadPictureFile(core::Controls& controls, const QString& path)
{
    const material::ReadResult read = material::readPictureFile(path);
    // The old picture goes in every case: a file that could not be read gives empty bytes, which clear the box.
    const core::Reason refused = controls.setPicture(core::ids::CompositionPicture, read.bytes);
    const core::Reason why = read.reason ? read.reason : refused;
    if (!why)
        return;
    controls.showMessage(QStringLiteral("上传图片"),
                         QStringLiteral("无法显示图片 %1：%2").arg(path, core::chineseText(why)));
}

void saveFrame(core::Controls& controls, core::ControlId frame)
{
    controls.setDialogMode(FileDialog, core::DialogMode::Save);
    if (!controls.showDialog(FileDialog))
        return;
    const QString path = material::withPngSuffix(controls.dialogFileName(FileDialog));
    // The save dialog has asked before a file is replaced.
    material::WriteResult written =
        material::writePictureFile(path, controls.renderFrame(frame), material::WriteMode::Replace);
    if (written.ok())
        written.reason = material::syncOutputFolder(QFileInfo(path).absolutePath());
    if (!written.ok())
        controls.showMessage(QStringLiteral("保存失败"),
                             QStringLiteral("无法保存 %1：%2").arg(path, core::chineseText(written.reason)));
}

} // namespace show
