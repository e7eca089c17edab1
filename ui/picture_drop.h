#pragma once

#include "core/controls.h"

class QMimeData;

namespace ui {

class MainWindow;

// Pictures by direct hands: a picture file dropped anywhere on the window, or pasted with Ctrl+V (a copied
// file, a file path as text, or a picture itself), goes into the composition picture box as "上传图片" puts a
// chosen file there, with the same message when it gives no picture. Edit boxes keep their own drops and
// pastes of text.
void installPictureDrop(MainWindow& window, core::Controls& controls);

// The local file among what is dropped or pasted: the first local file address, or a text that is an
// absolute path or a file address. Empty when there is none.
QString droppedFile(const QMimeData& data);

} // namespace ui
