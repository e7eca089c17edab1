#include "picture/heif_decoder.h"

#include "picture/decoder_messages.h"
#include "picture/limits.h"

#include <QList>

#include <libheif/heif.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace picture {

namespace {

using Context = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using Handle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
using Options = std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)>;

// A HEIF file names its thumbnails in a list of item references; real files carry one or two.
constexpr int kMaxThumbnails = 16;

core::Reason failure(const char* what, const heif_error& error)
{
    if (error.code == heif_error_Memory_allocation_error)
        return core::ReasonCode::OutOfMemory;
    return {core::ReasonCode::Damaged,
            {QStringLiteral("HEIF"),
             QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromUtf8(error.message).trimmed())}};
}

QSize handleSize(const heif_image_handle* handle)
{
    return {heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)};
}

// The thumbnail size to decode for a `full` picture with thumbnails of `sizes` shown at `target`: the smallest
// one at least the target in both directions whose shape is within a pixel of the picture's; an invalid
// size when none is.
QSize thumbnailChoice(QSize full, const QList<QSize>& sizes, QSize target)
{
    QSize best;
    for (const QSize& s : sizes) {
        if (s.width() < target.width() || s.height() < target.height() || s.width() >= full.width())
            continue;
        // Same shape: the thumbnail's height is the picture's height scaled by the widths' ratio, +- 1 pixel.
        const qint64 expectedHeight = (qint64(full.height()) * s.width() + full.width() / 2) / full.width();
        if (std::llabs(expectedHeight - s.height()) > 1)
            continue;
        if (!best.isValid() || qint64(s.width()) * s.height() < qint64(best.width()) * best.height())
            best = s;
    }
    return best;
}

// The thumbnail of the primary picture that decodeHeif should decode in its place, or null.
Handle pickThumbnail(const heif_image_handle* primary, QSize target)
{
    Handle none(nullptr, heif_image_handle_release);
    if (target.isEmpty())
        return none;
    heif_item_id ids[kMaxThumbnails];
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids, kMaxThumbnails);
    std::vector<Handle> handles;
    QList<QSize> sizes;
    for (int i = 0; i < count; ++i) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[i], &thumbnail).code != heif_error_Ok)
            continue;
        handles.emplace_back(thumbnail, heif_image_handle_release);
        sizes.append(handleSize(thumbnail));
    }
    const QSize chosen = thumbnailChoice(handleSize(primary), sizes, target);
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        if (chosen.isValid() && sizes[i] == chosen)
            return std::move(handles[std::size_t(i)]);
    }
    return none;
}

// Why a picture cannot be decoded for its size, empty when it can: the size after the file's rotation and
// crop, and the stored size, are both checked, since a crop may make the shown picture much smaller than
// the one that is decoded.
core::Reason sizeRefusal(const heif_image_handle* handle)
{
    const QSize shown = handleSize(handle);
    const core::Reason refusal = pictureSizeRefusal(shown.width(), shown.height());
    const int storedWidth = heif_image_handle_get_ispe_width(handle);
    const int storedHeight = heif_image_handle_get_ispe_height(handle);
    if (refusal || storedWidth <= 0 || storedHeight <= 0)
        return refusal;
    return pictureSizeRefusal(storedWidth, storedHeight);
}

void releaseImage(void* image)
{
    heif_image_release(static_cast<heif_image*>(image));
}

// Decodes one picture into 8-bit RGB or RGBA that the QImage wraps without a copy; it frees libheif's image
// when the last copy of the QImage goes.
DecodedPicture decodeHandle(const heif_image_handle* handle)
{
    const core::Reason refusal = sizeRefusal(handle);
    if (refusal)
        return {{}, refusal, {}};
    Options options(heif_decoding_options_alloc(), heif_decoding_options_free);
    options->convert_hdr_to_8bit = 1; // 10- and 12-bit AVIF and HEIC are shown as 8-bit like everything else
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    heif_image* image = nullptr;
    heif_error error;
    {
        const CodecSilence silence; // libheif's AV1 and HEVC decoders print on damaged data
        error = heif_decode_image(handle,
                                  &image,
                                  heif_colorspace_RGB,
                                  alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                  options.get());
    }
    if (error.code != heif_error_Ok)
        return {{}, failure("the picture cannot be decoded", error), {}};
    const int w = heif_image_get_width(image, heif_channel_interleaved);
    const int h = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (pixels == nullptr || !withinPictureLimits(w, h)) {
        heif_image_release(image);
        return {{},
                {core::ReasonCode::Damaged, {QStringLiteral("HEIF"), QStringLiteral("the decoder gave no picture")}},
                {}};
    }
    const QImage::Format format = !alpha ? QImage::Format_RGB888
                                  : heif_image_handle_is_premultiplied_alpha(handle)
                                      ? QImage::Format_RGBA8888_Premultiplied
                                      : QImage::Format_RGBA8888;
    QImage wrapped(pixels, w, h, stride, format, releaseImage, image);
    if (wrapped.isNull()) {
        heif_image_release(image);
        return {{}, core::ReasonCode::OutOfMemory, {}};
    }
    DecodedPicture result{wrapped, {}, {}};
    heif_error warnings[1];
    if (heif_image_get_decoding_warnings(image, 0, warnings, 1) > 0)
        result.warning = {core::ReasonCode::DamagedShown,
                          {QStringLiteral("HEIF"), QString::fromUtf8(warnings[0].message).trimmed()}};
    return result;
}

} // namespace

namespace {

quint32 u32be(const char* p)
{
    const auto* b = reinterpret_cast<const uchar*>(p);
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
}

// libheif refuses a picture past its size limit as a failed allocation, before it says which picture. The size
// is then that of the largest of the file's ispe (image spatial extent) boxes: 4 bytes of version and flags,
// then the width and the height.
core::Reason refusedSize(const QByteArray& bytes)
{
    qint64 width = 0, height = 0;
    for (qsizetype at = bytes.indexOf("ispe"); at >= 0 && at + 16 <= bytes.size(); at = bytes.indexOf("ispe", at + 4)) {
        const qint64 w = u32be(bytes.constData() + at + 8), h = u32be(bytes.constData() + at + 12);
        if (w * h > width * height) {
            width = w;
            height = h;
        }
    }
    const core::Reason refusal = pictureSizeRefusal(width, height);
    return refusal ? refusal
                   : core::Reason(core::ReasonCode::PictureTooLarge,
                                  {QStringLiteral("?"),
                                   QStringLiteral("?"),
                                   QString::number(kMaxPictureDimension),
                                   QString::number(kMaxPicturePixels)});
}

// Reads the file's structure (no pixels yet) and finds its primary picture; the context owns the bytes' view.
core::Reason openPrimary(const QByteArray& bytes, Context& context, Handle& primary)
{
    if (!context)
        return core::ReasonCode::OutOfMemory;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxPictureDimension);
    heif_error error =
        heif_context_read_from_memory_without_copy(context.get(), bytes.constData(), size_t(bytes.size()), nullptr);
    if (error.code == heif_error_Memory_allocation_error && error.subcode == heif_suberror_Security_limit_exceeded)
        return refusedSize(bytes);
    if (error.code != heif_error_Ok)
        return failure("the file cannot be read", error);
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &handle);
    if (error.code != heif_error_Ok)
        return failure("the file holds no picture", error);
    primary.reset(handle);
    return sizeRefusal(handle);
}

} // namespace

DecodedPicture decodeHeif(const QByteArray& bytes, QSize target)
{
    Context context(heif_context_alloc(), heif_context_free);
    Handle primary(nullptr, heif_image_handle_release);
    const core::Reason refusal = openPrimary(bytes, context, primary);
    if (refusal)
        return {{}, refusal, {}};
    // HEIF carries its orientation in its own transformation boxes, which libheif applies; writers that also
    // put an EXIF orientation into the file mean the same turn, so EXIF is not applied a second time.
    const Handle thumbnail = pickThumbnail(primary.get(), target);
    if (thumbnail) {
        DecodedPicture fromThumbnail = decodeHandle(thumbnail.get());
        if (!fromThumbnail.image.isNull())
            return fromThumbnail;
    }
    return decodeHandle(primary.get());
}

qint64 heifDecodingMemory(const QByteArray& bytes, QSize target)
{
    Context context(heif_context_alloc(), heif_context_free);
    Handle primary(nullptr, heif_image_handle_release);
    if (openPrimary(bytes, context, primary))
        return 0;
    const Handle thumbnail = pickThumbnail(primary.get(), target);
    const heif_image_handle* decoded = thumbnail ? thumbnail.get() : primary.get();
    const QSize size = handleSize(decoded);
    // The decoder's planes (4:2:0 at 8 bits: 1.5 bytes a pixel, twice that at 10 or 12 bits), then the RGB
    // picture made from them, or an RGBA one and its copy over white.
    const bool alpha = heif_image_handle_has_alpha_channel(decoded) != 0;
    return qint64(size.width()) * size.height() * (3 + (alpha ? 4 + 4 : 3));
}

} // namespace picture
