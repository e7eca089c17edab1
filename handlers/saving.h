#pragma once

#include "core/controls.h"

#include <QString>

// Loading one picture into the composition, and saving the composition frame or the viewer frame.
namespace handlers {

// Asks for a picture file and shows it in the composition picture box. A cancel changes nothing; a file that
// gives no picture leaves the picture that was shown and says why.
void uploadPicture(core::Controls& controls);

// What uploadPicture does once a file is chosen, for files that come by other ways (dropped, pasted).
void uploadPictureFile(core::Controls& controls, const QString& path);

// Asks for a file name and saves the frame (core::ids::CompositionFrame or core::ids::ViewerFrame) there as a
// PNG, adding ".png" unless the name ends in it. A failed write says which file and why, and leaves nothing.
// While the viewer shows a failed load, saving the viewer frame says so and asks for no file.
void saveFrame(core::Controls& controls, core::ControlId frame);

} // namespace handlers
