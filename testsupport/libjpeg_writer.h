#pragma once

// JPEGs written by libjpeg itself, for what Qt's writer cannot make: grey and Adobe CMYK files, progressive
// files and files with restart markers. Used by the decoder tests and by the fuzzing seed generator.
#include <QByteArray>

#include <functional>

namespace picturebytes {

struct JpegOptions {
    int quality = 75;
    bool progressive = false;
    int restartRows = 0;
};

// A w x h JPEG with `components` 1 (grey), 3 (RGB, stored as YCbCr) or 4 (CMYK, Adobe style); `sample` gives
// component k of pixel (x, y).
QByteArray libjpegEncode(int w,
                         int h,
                         int components,
                         const std::function<unsigned char(int x, int y, int k)>& sample,
                         JpegOptions options = {});

} // namespace picturebytes
