#include "testsupport/libpng_writer.h"

#include <csetjmp>
#include <vector>

#include <png.h>

namespace picturebytes {

namespace {

void append(png_structp png, png_bytep data, size_t size)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(size));
}

void flush(png_structp) {}

int channels(int colourType)
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// One row as libpng takes it with png_set_packing: a byte a sample below 8 bits, big-endian pairs at 16.
std::vector<png_byte>
packedRow(int w, int y, const PngShape& shape, const std::function<unsigned(int, int, int)>& sample)
{
    const int n = channels(shape.colourType);
    const int bytes = shape.depth == 16 ? 2 : 1;
    std::vector<png_byte> row(size_t(w) * n * bytes);
    for (int x = 0; x < w; ++x)
        for (int c = 0; c < n; ++c) {
            const unsigned v = sample(x, y, c);
            png_byte* at = row.data() + (size_t(x) * n + c) * bytes;
            if (bytes == 2)
                at[0] = png_byte(v >> 8), at[1] = png_byte(v & 0xFF);
            else
                at[0] = png_byte(v);
        }
    return row;
}

} // namespace

// Rows are made one at a time as libpng asks for them (every row once per pass of an interlaced file), so
// a picture of any size is written in the memory of one row.
QByteArray libpngEncode(int w, int h, const PngShape& shape, const std::function<unsigned(int x, int y, int c)>& sample)
{
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    for (QRgb c : shape.palette) {
        palette.push_back({png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
        alphas.push_back(png_byte(qAlpha(c)));
    }
    while (!alphas.empty() && alphas.back() == 255)
        alphas.pop_back();

    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, append, flush);
    png_set_IHDR(png,
                 info,
                 png_uint_32(w),
                 png_uint_32(h),
                 shape.depth,
                 shape.colourType,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!alphas.empty())
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    png_write_info(png, info);
    if (shape.depth < 8)
        png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h; ++y)
            png_write_row(png, packedRow(w, y, shape, sample).data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace picturebytes
