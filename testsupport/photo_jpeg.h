#pragma once

// Photo-like JPEG materials made on the spot: smooth gradients, a few soft shapes and fine noise, so the
// encoder and decoder do the work a camera picture gives them, and two seeds give plainly different pictures.
#include <QByteArray>
#include <QImage>
#include <QSize>

namespace testutil {

QImage makePhoto(QSize size, quint32 seed);
QByteArray encodeJpeg(const QImage& image, int quality = 90);
QByteArray makePhotoJpeg(QSize size, quint32 seed);

} // namespace testutil
