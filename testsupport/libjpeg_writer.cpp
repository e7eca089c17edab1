#include "testsupport/libjpeg_writer.h"

#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstdlib>

#include <jpeglib.h>

namespace picturebytes {

QByteArray libjpegEncode(
    int w, int h, int components, const std::function<unsigned char(int x, int y, int k)>& sample, JpegOptions options)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&c);
    c.restart_in_rows = options.restartRows;
    jpeg_start_compress(&c, TRUE);
    QByteArray row(qsizetype(w) * components, '\0');
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < components; ++k)
                row[x * components + k] = char(sample(x, y, k));
        auto* p = reinterpret_cast<JSAMPLE*>(row.data());
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

} // namespace picturebytes
