#include "picture/webp_decoder.h"

#include "picture/exif.h"
#include "picture/limits.h"
#include "picture/picture.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

namespace picture {

namespace {

using Demuxer = std::unique_ptr<WebPDemuxer, decltype(&WebPDemuxDelete)>;

const uint8_t* data(const QByteArray& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

// The orientation in the file's EXIF chunk, whose payload is a TIFF header with or without "Exif\0\0" in
// front; 1 when there is none. The chunk usually follows the pixels, so a file cut short loses it.
int orientationOf(const WebPDemuxer* demuxer)
{
    if (demuxer == nullptr || !(WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG))
        return 1;
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, "EXIF", 1, &chunk))
        return 1;
    QByteArray payload(reinterpret_cast<const char*>(chunk.chunk.bytes), qsizetype(chunk.chunk.size));
    WebPDemuxReleaseChunkIterator(&chunk);
    if (!payload.startsWith(QByteArrayView("Exif\0\0", 6)))
        payload.prepend(QByteArray("Exif\0\0", 6));
    return exifOrientation(payload);
}

core::Reason damaged(const QString& what)
{
    return {core::ReasonCode::Damaged, {kindName(PictureKind::Webp), what}};
}

// libwebp's status as a reason; `part` is what was being read: "header" or "picture data".
core::Reason statusReason(VP8StatusCode status, const char* part)
{
    const QLatin1String in(part);
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return core::ReasonCode::OutOfMemory;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return {core::ReasonCode::Unsupported,
                {kindName(PictureKind::Webp), QStringLiteral("unsupported feature in the %1").arg(in)}};
    case VP8_STATUS_SUSPENDED:
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return damaged(QStringLiteral("the file ends inside its %1").arg(in));
    case VP8_STATUS_BITSTREAM_ERROR:
        return damaged(QStringLiteral("the %1 is damaged (bitstream error)").arg(in));
    default:
        return damaged(QStringLiteral("the %1 cannot be read (libwebp status %2)").arg(in).arg(status));
    }
}

// A still picture decoded row by row into a buffer of our own, so that a file cut short still shows the
// rows that arrived.
DecodedPicture decodeStill(const QByteArray& bytes, const WebPBitstreamFeatures& features)
{
    QImage image(
        features.width, features.height, features.has_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    image.fill(QColor::fromRgba(kMissingDataColour));
    std::unique_ptr<WebPIDecoder, decltype(&WebPIDelete)> decoder(
        WebPINewRGB(MODE_RGBA, image.bits(), size_t(image.sizeInBytes()), int(image.bytesPerLine())), WebPIDelete);
    if (!decoder)
        return {{}, core::ReasonCode::OutOfMemory, {}};
    const VP8StatusCode status = WebPIUpdate(decoder.get(), data(bytes), size_t(bytes.size()));
    if (status == VP8_STATUS_OK)
        return {image, {}, {}};
    int rows = 0;
    if (status != VP8_STATUS_SUSPENDED || !WebPIDecGetRGB(decoder.get(), &rows, nullptr, nullptr, nullptr) || rows <= 0)
        return {{}, statusReason(status, "picture data"), {}};
    return {image, {}, {core::ReasonCode::Truncated, {kindName(PictureKind::Webp)}}};
}

// The first frame of an animation as the animation shows it: drawn at its place on the canvas.
DecodedPicture decodeFirstFrame(const QByteArray& bytes)
{
    const WebPData webp{data(bytes), size_t(bytes.size())};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return {{}, core::ReasonCode::OutOfMemory, {}};
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(WebPAnimDecoderNew(&webp, &options),
                                                                               WebPAnimDecoderDelete);
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        return {{}, damaged(QStringLiteral("the animation cannot be read")), {}};
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return {{}, damaged(QStringLiteral("the first frame of the animation cannot be decoded")), {}};
    QImage image(int(info.canvas_width), int(info.canvas_height), QImage::Format_RGBA8888);
    if (image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), canvas + qsizetype(y) * image.width() * 4, size_t(image.width()) * 4);
    return {image, {}, {}};
}

} // namespace

DecodedPicture decodeWebp(const QByteArray& bytes)
{
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data(bytes), size_t(bytes.size()), &features);
    if (status != VP8_STATUS_OK)
        return {{}, statusReason(status, "header"), {}};
    // The canvas of an animation and the picture of a still file, from the header alone.
    const core::Reason refusal = pictureSizeRefusal(features.width, features.height);
    if (refusal)
        return {{}, refusal, {}};
    DecodedPicture result = features.has_animation ? decodeFirstFrame(bytes) : decodeStill(bytes, features);
    if (result.image.isNull())
        return result;
    const WebPData webp{data(bytes), size_t(bytes.size())};
    const Demuxer demuxer(WebPDemuxPartial(&webp, nullptr), WebPDemuxDelete);
    result.image = applyExifOrientation(result.image, orientationOf(demuxer.get()));
    return result;
}

} // namespace picture
