#include "picture/png_decoder.h"

#include "picture/decoder_messages.h"
#include "picture/limits.h"
#include "picture/picture.h"
#include "picture/resample.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <png.h>

namespace picture {

namespace {

const QString kPng = kindName(PictureKind::Png);

quint32 u32be(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// What the header says, read from the bytes before libpng sees them, so that a size beyond the limits is
// refused as such and the memory a picture takes is known before it is decoded.
struct Header {
    bool valid = false;
    qint64 width = 0;
    qint64 height = 0;
    bool interlaced = false;
    bool alpha = false; // an alpha channel, or a tRNS chunk before the pixel data
};

Header readHeader(const QByteArray& bytes)
{
    Header h;
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 33 || std::memcmp(b + 12, "IHDR", 4) != 0)
        return h;
    h.valid = true;
    h.width = u32be(b + 16);
    h.height = u32be(b + 20);
    h.alpha = (b[25] & PNG_COLOR_MASK_ALPHA) != 0;
    h.interlaced = b[28] != 0;
    // Each step passes a whole chunk, so the walk ends within the file.
    for (qsizetype at = 8; !h.alpha && at + 8 <= size && std::memcmp(b + at + 4, "IDAT", 4) != 0;
         at += 12 + qsizetype(u32be(b + at)))
        h.alpha = std::memcmp(b + at + 4, "tRNS", 4) == 0;
    return h;
}

// Everything libpng works on for one picture. Plain C data only: longjmp may cross any frame that touches it.
struct Session {
    png_structp png;
    png_infop info;
    std::jmp_buf jump;
    char message[160];
    const uchar* data;
    size_t size;
    size_t pos;
    bool ranOut;      // the bytes ended before the picture did
    bool outOfMemory; // an allocation of libpng's or zlib's failed
    int pass;         // the pass and row being read when an error came; passes and 0 once all rows are in
    int row;
};

Session& sessionOf(png_const_structp png)
{
    return *static_cast<Session*>(png_get_error_ptr(png));
}

// libpng's default handler prints "libpng error: ..." and jumps to a buffer of its own; ours keeps the words
// and jumps back to guarded().
[[noreturn]] void onError(png_structp png, png_const_charp message)
{
    Session& s = sessionOf(png);
    std::snprintf(s.message, sizeof s.message, "%s", message);
    std::longjmp(s.jump, 1);
}

// Warnings are about chunks nothing here shows (text, colour profiles, their checksums) or palette indexes
// past the palette, which are shown black: none says the pixels are wrong, so none is printed or passed on.
void onWarning(png_structp, png_const_charp) {}

png_voidp allocate(png_structp png, png_alloc_size_t size)
{
    void* p = std::malloc(size);
    if (p == nullptr)
        static_cast<Session*>(png_get_mem_ptr(png))->outOfMemory = true;
    return p;
}

void release(png_structp, png_voidp p)
{
    std::free(p);
}

void readBytes(png_structp png, png_bytep out, size_t count)
{
    Session& s = *static_cast<Session*>(png_get_io_ptr(png));
    if (count > s.size - s.pos) {
        s.ranOut = true;
        png_error(png, "the file ends early");
    }
    std::memcpy(out, s.data + s.pos, count);
    s.pos += count;
}

using Step = void (*)(Session& s, void* arg);

// The one place that catches libpng's errors. longjmp lands here from inside the library; neither this frame
// nor the steps it runs hold anything with a destructor, so the frames it skips need no unwinding.
bool guarded(Session& s, Step step, void* arg)
{
    if (setjmp(s.jump) != 0)
        return false;
    step(s, arg);
    return true;
}

struct Layout {
    int width;
    int height;
    bool alpha;
    int passes; // 7 for an interlaced picture
};

// Reads the chunks before the pixels and asks for rows of 8-bit B, G, R, A in memory (QImage's ARGB32 and
// RGB32 on little-endian machines, A, R, G, B on big-endian ones), whatever the file's depth and colour type.
void readInfo(Session& s, void* arg)
{
    auto& layout = *static_cast<Layout*>(arg);
    png_set_read_fn(s.png, &s, readBytes);
    png_set_user_limits(s.png, kMaxPictureDimension, kMaxPictureDimension);
    // Only the picture's own chunks and tRNS are read: text, profiles and the like are skipped unparsed.
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(s.png, s.info);
    const png_byte colourType = png_get_color_type(s.png, s.info);
    layout.alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;
    png_set_expand(s.png); // palette to RGB, grey to 8 bits, tRNS to alpha
    png_set_scale_16(s.png);
    png_set_gray_to_rgb(s.png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(s.png);
    if (!layout.alpha)
        png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);
#else
    if (layout.alpha)
        png_set_swap_alpha(s.png);
    else
        png_set_filler(s.png, 0xFF, PNG_FILLER_BEFORE);
#endif
    layout.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    layout.width = int(png_get_image_width(s.png, s.info));
    layout.height = int(png_get_image_height(s.png, s.info));
    if (png_get_rowbytes(s.png, s.info) != size_t(layout.width) * 4)
        png_error(s.png, "unexpected row layout");
}

// Which pixels of an interlaced picture arrived: those of the passes before `pass`, and those of `pass` in
// rows above `row`. A picture that is not interlaced, or arrived whole, has pass 7.
struct Arrived {
    int pass;
    int row;
};

// The Adam7 pass (0 to 6) that carries a pixel, by its place in an 8 x 8 tile.
int adam7Pass(int x, int y)
{
    static const uchar kPass[8][8] = {{0, 5, 3, 5, 1, 5, 3, 5},
                                      {6, 6, 6, 6, 6, 6, 6, 6},
                                      {4, 5, 4, 5, 4, 5, 4, 5},
                                      {6, 6, 6, 6, 6, 6, 6, 6},
                                      {2, 5, 3, 5, 2, 5, 3, 5},
                                      {6, 6, 6, 6, 6, 6, 6, 6},
                                      {4, 5, 4, 5, 4, 5, 4, 5},
                                      {6, 6, 6, 6, 6, 6, 6, 6}};
    return kPass[y & 7][x & 7];
}

// Which pixels of row y arrived, one byte each.
void markArrived(uchar* present, int width, int y, Arrived arrived)
{
    for (int x = 0; x < width; ++x) {
        const int pass = adam7Pass(x, y);
        present[x] = pass < arrived.pass || (pass == arrived.pass && y < arrived.row);
    }
}

// Where the rows go: straight into the picture's lines, or through the reducer by way of one row's buffer.
struct RowTarget {
    uchar* bits;
    qsizetype stride;
    RowReducer* reducer;
    QRgb* row;
    int passes;
    int height;
};

// Every row of every pass (libpng hands an interlaced picture's pixels of each pass to the rows they belong
// in, leaving the others as they were), then the chunks after the pixels.
void readRows(Session& s, void* arg)
{
    const auto& t = *static_cast<RowTarget*>(arg);
    for (s.pass = 0; s.pass < t.passes; ++s.pass) {
        for (s.row = 0; s.row < t.height; ++s.row) {
            if (t.reducer == nullptr) {
                png_read_row(s.png, t.bits + t.stride * s.row, nullptr);
                continue;
            }
            png_read_row(s.png, reinterpret_cast<png_bytep>(t.row), nullptr);
            t.reducer->addRow(s.row, t.row);
        }
    }
    s.row = 0;
    png_read_end(s.png, nullptr);
}

QImage missingDataPicture(QSize size, bool alpha)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(kMissingDataColour);
    return image;
}

core::Reason damaged(const Session& s)
{
    if (s.outOfMemory)
        return core::ReasonCode::OutOfMemory;
    return {core::ReasonCode::Damaged, {kPng, QString::fromLatin1(s.message)}};
}

// The picture and what to say about it after the rows were read, `ok` when libpng got through to the end.
DecodedPicture finished(const Session& s, QImage image, bool ok)
{
    if (ok)
        return {image, {}, {}};
    if (s.outOfMemory || (s.pass == 0 && s.row == 0))
        return {{}, damaged(s), {}};
    if (s.ranOut)
        return {image, {}, {core::ReasonCode::Truncated, {kPng}}};
    return {image, {}, {core::ReasonCode::DamagedShown, {kPng, QString::fromLatin1(s.message)}}};
}

// A picture that is not interlaced, reduced by k as its rows come.
DecodedPicture readReduced(Session& s, const Layout& layout, int k)
{
    RowReducer reducer({layout.width, layout.height}, k, layout.alpha);
    const std::unique_ptr<QRgb[]> row(new (std::nothrow) QRgb[size_t(layout.width)]);
    if (!reducer.isValid() || !row)
        return {{}, core::ReasonCode::OutOfMemory, {}};
    RowTarget target{nullptr, 0, &reducer, row.get(), 1, layout.height};
    const bool ok = guarded(s, readRows, &target);
    return finished(s, reducer.finish(), ok); // with the rows that came of a block the data ended in
}

// The whole picture, read at full size; an interlaced one is then reduced by k, each block the average of
// the pixels that arrived.
DecodedPicture readWhole(Session& s, const Layout& layout, int k)
{
    QImage whole = missingDataPicture({layout.width, layout.height}, layout.alpha);
    if (whole.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    RowTarget target{whole.bits(), whole.bytesPerLine(), nullptr, nullptr, layout.passes, layout.height};
    const bool ok = guarded(s, readRows, &target);
    DecodedPicture result = finished(s, whole, ok);
    if (k == 1 || result.image.isNull())
        return result;
    const Arrived arrived = ok || s.pass >= layout.passes ? Arrived{7, 0} : Arrived{s.pass, s.row};
    if (arrived.pass >= 7) {
        result.image = reducePicture(whole, k);
    } else {
        RowReducer reducer(whole.size(), k, layout.alpha);
        const std::unique_ptr<uchar[]> present(new (std::nothrow) uchar[size_t(layout.width)]);
        if (!reducer.isValid() || !present)
            return {{}, core::ReasonCode::OutOfMemory, {}};
        for (int y = 0; y < whole.height(); ++y) {
            markArrived(present.get(), layout.width, y, arrived);
            reducer.addRow(y, reinterpret_cast<const QRgb*>(whole.constScanLine(y)), present.get());
        }
        result.image = reducer.finish();
    }
    if (result.image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    return result;
}

DecodedPicture decodeSession(Session& s, QSize target)
{
    Layout layout{};
    if (!guarded(s, readInfo, &layout))
        return {{}, damaged(s), {}};
    const core::Reason refusal = pictureSizeRefusal(layout.width, layout.height);
    if (refusal)
        return {{}, refusal, {}};
    const int k = reductionFactor({layout.width, layout.height}, target);
    if (layout.passes == 1 && k > 1)
        return readReduced(s, layout, k);
    return readWhole(s, layout, k);
}

} // namespace

qint64 pngDecodingMemory(const QByteArray& bytes, QSize target)
{
    const Header h = readHeader(bytes);
    if (!h.valid || !withinPictureLimits(h.width, h.height))
        return 0;
    const QSize full(int(h.width), int(h.height));
    const int k = reductionFactor(full, target);
    const QSize shown = reducedSize(full, k);
    const qint64 pixels = qint64(shown.width()) * shown.height();
    const qint64 wholeFirst = h.interlaced && k > 1 ? qint64(h.width) * h.height * 4 : 0;
    // libpng's current and previous rows (up to 8 bytes a pixel each), ours, the block sums and zlib's window.
    const qint64 rows = qint64(h.width) * 20 + shown.width() * qint64(40) + 64 * 1024LL;
    return pixels * 4 * (h.alpha ? 2 : 1) + wholeFirst + rows;
}

DecodedPicture decodePng(const QByteArray& bytes, QSize target)
{
    const Header header = readHeader(bytes);
    if (header.valid) {
        const core::Reason refusal = pictureSizeRefusal(header.width, header.height);
        if (refusal)
            return {{}, refusal, {}};
    }
    QuietMessages quiet; // QImage says on standard error when memory refuses a picture; the reason says it here
    Session s;
    std::memset(&s, 0, sizeof s);
    s.data = reinterpret_cast<const uchar*>(bytes.constData());
    s.size = size_t(bytes.size());
    s.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s, onError, onWarning, &s, allocate, release);
    if (s.png == nullptr)
        return {{}, core::ReasonCode::OutOfMemory, {}};
    s.info = png_create_info_struct(s.png);
    const DecodedPicture result =
        s.info != nullptr ? decodeSession(s, target) : DecodedPicture{{}, core::ReasonCode::OutOfMemory, {}};
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    return result;
}

} // namespace picture
