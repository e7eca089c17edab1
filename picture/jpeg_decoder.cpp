#include "picture/jpeg_decoder.h"

#include "picture/limits.h"
#include "picture/picture.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstring>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

namespace picture {

namespace {

// libjpeg's default error handler prints and calls exit(). Ours keeps the message and jumps back to
// guarded(); warnings on damaged data are counted and the first one kept, never printed.
struct ErrorManager {
    jpeg_error_mgr pub; // first member, so the library's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char firstWarning[JMSG_LENGTH_MAX];
};

// Everything libjpeg works on for one picture. Plain C data only: longjmp may cross any frame that
// touches it.
struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_source_mgr src;
    jpeg_progress_mgr progress;
    const JOCTET* data;
    size_t size;
    bool ranOut; // the data ended before the image did
};

ErrorManager& errorManager(j_common_ptr cinfo)
{
    return *reinterpret_cast<ErrorManager*>(cinfo->err);
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    ErrorManager& err = errorManager(cinfo);
    // Past max_memory_to_use libjpeg would turn to a backing store on disk, which this build has not.
    if (err.pub.msg_code == JERR_NO_BACKING_STORE || err.pub.msg_code == JERR_OUT_OF_MEMORY)
        std::snprintf(err.message, sizeof err.message, "decoding needs more than %d MB", kMaxDecoderMegabytes);
    else
        err.pub.format_message(cinfo, err.message);
    std::longjmp(err.jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    ErrorManager& err = errorManager(cinfo);
    if (err.pub.num_warnings++ == 0)
        err.pub.format_message(cinfo, err.firstWarning);
}

// A progressive file can repeat scans without end, and each one is a full decoding pass.
void progressMonitor(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxJpegScans)
        return;
    ErrorManager& err = errorManager(cinfo);
    std::snprintf(err.message, sizeof err.message, "more than %d scans", kMaxJpegScans);
    std::longjmp(err.jump, 1);
}

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr) {}

void termSource(j_decompress_ptr) {}

// All the bytes are handed over at once, so running out means the file is truncated. An end-of-image
// marker in place of the missing rest lets libjpeg finish and show what arrived (the rest stays grey).
boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    reinterpret_cast<Session*>(cinfo)->ranOut = true; // cinfo is the session's first member
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kFakeEndOfImage;
    cinfo->src->bytes_in_buffer = sizeof kFakeEndOfImage;
    return TRUE;
}

// A skip past the end leaves the buffer empty; the next read then ends the image.
void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    const size_t skip = std::min(static_cast<size_t>(count), src->bytes_in_buffer);
    src->next_input_byte += skip;
    src->bytes_in_buffer -= skip;
}

using Step = void (*)(Session& s, void* arg);

// The one place that catches libjpeg's errors. longjmp lands here from inside the library; neither this
// frame nor the steps it runs hold anything with a destructor, so the frames it skips need no unwinding.
bool guarded(Session& s, Step step, void* arg)
{
    if (setjmp(s.err.jump) != 0)
        return false;
    step(s, arg);
    return true;
}

void createAndReadHeader(Session& s, void*)
{
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecoderMegabytes) * 1024 * 1024;
    s.src.init_source = initSource;
    s.src.fill_input_buffer = fillInputBuffer;
    s.src.skip_input_data = skipInputData;
    s.src.resync_to_restart = jpeg_resync_to_restart;
    s.src.term_source = termSource;
    s.src.next_input_byte = s.data;
    s.src.bytes_in_buffer = s.size;
    s.cinfo.src = &s.src;
    s.progress.progress_monitor = progressMonitor;
    s.cinfo.progress = &s.progress;
    jpeg_save_markers(&s.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s.cinfo, TRUE);
}

void calcOutputDimensions(Session& s, void*)
{
    jpeg_calc_output_dimensions(&s.cinfo);
}

struct RowTarget {
    JSAMPLE* bits;
    size_t stride;
    JDIMENSION height;
    bool complete;
};

void readRows(Session& s, void* arg)
{
    auto* rows = static_cast<RowTarget*>(arg);
    jpeg_start_decompress(&s.cinfo);
    while (s.cinfo.output_scanline < s.cinfo.output_height && s.cinfo.output_scanline < rows->height) {
        JSAMPROW row = rows->bits + rows->stride * s.cinfo.output_scanline;
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1)
            return;
    }
    if (s.cinfo.output_scanline == s.cinfo.output_height) {
        jpeg_finish_decompress(&s.cinfo);
        rows->complete = true;
    }
}

// CMYK comes out of libjpeg as four bytes per pixel; Adobe's files store the inks inverted.
void cmykToRgb(QImage& image, int rows, bool inverted)
{
    const int width = image.width();
    for (int y = 0; y < rows; ++y) {
        uchar* p = image.scanLine(y);
        auto* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < width; ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
}

const QString kJpeg = kindName(PictureKind::Jpeg);

// Why libjpeg gave no picture. When the bytes ran out it saw the end-of-image marker put in their place and
// says "contains no image" or the like: its warning, "Premature end of JPEG file", says what happened.
core::Reason damaged(const Session& s)
{
    const char* words = s.ranOut && s.err.firstWarning[0] ? s.err.firstWarning : s.err.message;
    return {core::ReasonCode::Damaged, {kJpeg, QString::fromLatin1(words)}};
}

int savedExifOrientation(const jpeg_decompress_struct& cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_APP0 + 1)
            continue;
        const auto app1 = QByteArray::fromRawData(reinterpret_cast<const char*>(m->data), m->data_length);
        if (app1.startsWith(QByteArrayView("Exif\0\0", 6)))
            return exifOrientation(app1);
    }
    return 1;
}

// Sets the output colour and scale after the header; false with a reason for pictures we refuse.
bool chooseOutput(Session& s, QSize target, int orientation, core::Reason& reason)
{
    jpeg_decompress_struct& c = s.cinfo;
    // The stored size is bounded by JPEG itself (16 bits a side) and checked by libjpeg; the bounds of
    // limits.h apply to what is decoded, after the DCT scaling below: a 12000 x 9000 photo shown in a small
    // box is decoded at an eighth of each side. Working memory is bounded by max_memory_to_use.
    if (c.image_width == 0 || c.image_height == 0) {
        reason = pictureSizeRefusal(c.image_width, c.image_height);
        return false;
    }
    const bool turned = orientation >= 5; // stored sideways: the target's width lies along the stored height
    const QSize stored(static_cast<int>(c.image_width), static_cast<int>(c.image_height));
    c.scale_num = static_cast<unsigned>(jpegScaleEighths(stored, turned ? target.transposed() : target));
    c.scale_denom = 8;
    c.dct_method = JDCT_ISLOW;
    if (c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK)
        c.out_color_space = JCS_CMYK;
    else
        c.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB; // QImage RGB32 order
    if (!guarded(s, calcOutputDimensions, nullptr)) {
        reason = damaged(s);
        return false;
    }
    reason = pictureSizeRefusal(c.output_width, c.output_height);
    return reason.isNone();
}

// Decodes the rows into an RGB32 picture. A file that breaks off part way gives the rows that came; the rows
// that never came are kMissingDataColour, the grey libjpeg itself gives blocks whose data is missing.
DecodedPicture decodeRows(Session& s)
{
    DecodedPicture result;
    QImage image(static_cast<int>(s.cinfo.output_width), static_cast<int>(s.cinfo.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        result.reason = core::ReasonCode::OutOfMemory;
        return result;
    }
    RowTarget rows{image.bits(), static_cast<size_t>(image.bytesPerLine()), s.cinfo.output_height, false};
    const bool ok = guarded(s, readRows, &rows);
    const int rowsRead = static_cast<int>(s.cinfo.output_scanline);
    if (!ok && rowsRead == 0) {
        result.reason = damaged(s);
        return result;
    }
    if (s.cinfo.out_color_space == JCS_CMYK)
        cmykToRgb(image, rowsRead, s.cinfo.saw_Adobe_marker);
    // Only the rows libjpeg delivered were written; the rest are filled now rather than the whole picture
    // before, which would cost a pass over every complete picture.
    for (int y = rowsRead; y < image.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width(), kMissingDataColour);
    if (s.ranOut || !rows.complete)
        result.warning = {core::ReasonCode::Truncated, {kJpeg}};
    else if (!ok)
        result.warning = {core::ReasonCode::DamagedShown, {kJpeg, QString::fromLatin1(s.err.message)}};
    else if (s.err.pub.num_warnings > 0)
        result.warning = {core::ReasonCode::DamagedShown, {kJpeg, QString::fromLatin1(s.err.firstWarning)}};
    result.image = image;
    return result;
}

} // namespace

int jpegScaleEighths(QSize full, QSize target)
{
    if (target.isEmpty())
        return 8;
    for (int n = 1; n < 8; ++n) {
        // libjpeg rounds scaled sizes up
        const qint64 w = (qint64(full.width()) * n + 7) / 8;
        const qint64 h = (qint64(full.height()) * n + 7) / 8;
        if (w >= target.width() && h >= target.height())
            return n;
    }
    return 8;
}

DecodedPicture decodeJpeg(const QByteArray& bytes, QSize target)
{
    Session s;
    std::memset(&s, 0, sizeof s);
    s.data = reinterpret_cast<const JOCTET*>(bytes.constData());
    s.size = static_cast<size_t>(bytes.size());
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = errorExit;
    s.err.pub.emit_message = emitMessage;

    DecodedPicture result;
    int orientation = 1;
    if (!guarded(s, createAndReadHeader, nullptr)) {
        result.reason = damaged(s);
    } else {
        orientation = savedExifOrientation(s.cinfo);
        if (chooseOutput(s, target, orientation, result.reason))
            result = decodeRows(s);
    }
    jpeg_destroy_decompress(&s.cinfo);
    if (!result.image.isNull())
        result.image = applyExifOrientation(result.image, orientation);
    return result;
}

} // namespace picture
