#include "handlers/saving.h"

#include "core/messages.h"
#include "material/picture_file.h"

#include <QFileInfo>

namespace handlers {

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
    // A file that cannot be read or gives no picture leaves the picture the user had (a refused picture
    // changes nothing in the box).
    const core::Reason why = read.reason ? read.reason : controls.setPicture(core::ids::CompositionPicture, read.bytes);
    if (why) {
        controls.showMessage(core::chineseText(core::MessageCode::UploadTitle),
                             core::chineseText(core::MessageCode::CannotShowPicture, {path, core::chineseText(why)}));
        return;
    }
    // A picture shown from damaged data (a file cut short) is shown, and the user is told what is missing:
    // the grey part is not in the picture.
    if (const core::Reason damaged = controls.pictureWarning(core::ids::CompositionPicture))
        controls.showMessage(core::chineseText(core::MessageCode::UploadTitle),
                             core::chineseText(core::MessageCode::ShownIncomplete, {path, core::chineseText(damaged)}));
}

void saveFrame(core::Controls& controls, core::ControlId frame)
{
    // A viewer showing the web engine's own error page holds no QQ Show to save.
    if (frame == core::ids::ViewerFrame) {
        const QString failure = controls.loadFailure(core::ids::QqShowViewer);
        if (!failure.isEmpty()) {
            controls.showMessage(core::chineseText(core::MessageCode::SaveQqShowTitle),
                                 core::chineseText(core::MessageCode::QqShowNotLoaded, {failure}));
            return;
        }
    }
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
        controls.showMessage(
            core::chineseText(core::MessageCode::SaveFailedTitle),
            core::chineseText(core::MessageCode::CannotSave, {path, core::chineseText(written.reason)}));
}

} // namespace handlers
