#include "show/saving.h"

#include "material/picture.h"
#include "material/picture_file.h"

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
    // The old picture goes in every case; a file that gives no picture leaves the box empty and says why.
    QString why = read.error;
    if (why.isEmpty() && controls.setPicture(core::ids::CompositionPicture, read.bytes))
        return;
    if (!why.isEmpty())
        controls.setPicture(core::ids::CompositionPicture, {});
    else
        why = material::decodePicture(read.bytes).reason;
    controls.showMessage(QStringLiteral("上传图片"), QStringLiteral("无法显示图片 %1：%2").arg(path, why));
}

void saveFrame(core::Controls& controls, core::ControlId frame)
{
    controls.setDialogMode(FileDialog, core::DialogMode::Save);
    if (!controls.showDialog(FileDialog))
        return;
    const QString path = material::withPngSuffix(controls.dialogFileName(FileDialog));
    const material::WriteResult written = material::writePictureFile(path, controls.renderFrame(frame));
    if (!written.ok)
        controls.showMessage(QStringLiteral("保存失败"), QStringLiteral("无法保存 %1：%2").arg(path, written.error));
}

} // namespace show
