#include "testsupport/modern_pictures.h"

#include <avif/avif.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>

namespace picturebytes {

namespace {

heif_error appendTo(heif_context*, const void* data, size_t size, void* bytes)
{
    static_cast<QByteArray*>(bytes)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// The picture as a libheif image of interleaved 8-bit RGB.
heif_image* heifImage(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    heif_image* image = nullptr;
    if (heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code)
        return nullptr;
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    return image;
}

} // namespace

QByteArray heicFile(const QImage& picture, const HeicOptions& options)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(heifImage(picture), heif_image_release);
    heif_encoder* encoder = nullptr;
    if (!image || heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder).code)
        return {};
    std::unique_ptr<heif_encoder, decltype(&heif_encoder_release)> encoderOwner(encoder, heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder, options.quality);
    heif_encoder_set_parameter_string(encoder, "preset", "ultrafast"); // camera-sized test files in seconds
    std::unique_ptr<heif_encoding_options, decltype(&heif_encoding_options_free)> encoding(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    encoding->image_orientation = heif_orientation(options.orientation);
    heif_image_handle* handle = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder, encoding.get(), &handle).code)
        return {};
    if (options.thumbnailSide > 0) {
        heif_image_handle* thumbnail = nullptr;
        heif_context_encode_thumbnail(
            context.get(), image.get(), handle, encoder, encoding.get(), options.thumbnailSide, &thumbnail);
        heif_image_handle_release(thumbnail);
    }
    heif_image_handle_release(handle);
    QByteArray bytes;
    heif_writer writer{1, appendTo};
    if (heif_context_write(context.get(), &writer, &bytes).code)
        return {};
    return bytes;
}

namespace {

// One frame as a libavif image of full-resolution YUV at `depth` bits.
std::unique_ptr<avifImage, decltype(&avifImageDestroy)> avifFrame(const QImage& picture, int depth)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    std::unique_ptr<avifImage, decltype(&avifImageDestroy)> image(
        avifImageCreate(uint32_t(rgba.width()), uint32_t(rgba.height()), uint32_t(depth), AVIF_PIXEL_FORMAT_YUV444),
        avifImageDestroy);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.depth = 8;
    rgb.pixels = const_cast<uint8_t*>(rgba.constBits()); // read only: the conversion writes into `image`
    rgb.rowBytes = uint32_t(rgba.bytesPerLine());
    if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
        image.reset();
    return image;
}

} // namespace

QByteArray avifFile(const QList<QImage>& frames, int depth, int quality)
{
    std::unique_ptr<avifEncoder, decltype(&avifEncoderDestroy)> encoder(avifEncoderCreate(), avifEncoderDestroy);
    encoder->minQuantizer = encoder->maxQuantizer = (100 - quality) * AVIF_QUANTIZER_WORST_QUALITY / 100;
    encoder->speed = AVIF_SPEED_FASTEST;
    const avifAddImageFlags flags = frames.size() == 1 ? AVIF_ADD_IMAGE_FLAG_SINGLE : AVIF_ADD_IMAGE_FLAG_NONE;
    for (const QImage& frame : frames) {
        const auto image = avifFrame(frame, depth);
        if (!image || avifEncoderAddImage(encoder.get(), image.get(), 1, flags) != AVIF_RESULT_OK)
            return {};
    }
    avifRWData output = AVIF_DATA_EMPTY;
    if (frames.isEmpty() || avifEncoderFinish(encoder.get(), &output) != AVIF_RESULT_OK)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(output.data), qsizetype(output.size));
    avifRWDataFree(&output);
    return bytes;
}

QByteArray webpWithExif(const QByteArray& webp, const QByteArray& exif)
{
    const WebPData in{reinterpret_cast<const uint8_t*>(webp.constData()), size_t(webp.size())};
    const WebPData chunk{reinterpret_cast<const uint8_t*>(exif.constData()), size_t(exif.size())};
    std::unique_ptr<WebPMux, decltype(&WebPMuxDelete)> mux(WebPMuxCreate(&in, 1), WebPMuxDelete);
    WebPData out;
    WebPDataInit(&out);
    if (!mux || WebPMuxSetChunk(mux.get(), "EXIF", &chunk, 1) != WEBP_MUX_OK ||
        WebPMuxAssemble(mux.get(), &out) != WEBP_MUX_OK)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), qsizetype(out.size));
    WebPDataClear(&out);
    return bytes;
}

QByteArray animatedWebpFile(const QList<QImage>& frames)
{
    if (frames.isEmpty())
        return {};
    const QSize size = frames.first().size();
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
        return {};
    config.lossless = 1;
    std::unique_ptr<WebPAnimEncoder, decltype(&WebPAnimEncoderDelete)> encoder(
        WebPAnimEncoderNew(size.width(), size.height(), &options), WebPAnimEncoderDelete);
    int timestamp = 0;
    for (const QImage& frame : frames) {
        const QImage rgba = frame.convertToFormat(QImage::Format_RGBA8888);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = rgba.width();
        picture.height = rgba.height();
        const bool ok = WebPPictureImportRGBA(&picture, rgba.constBits(), int(rgba.bytesPerLine())) &&
                        WebPAnimEncoderAdd(encoder.get(), &picture, timestamp, &config);
        WebPPictureFree(&picture);
        if (!ok)
            return {};
        timestamp += 100;
    }
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), &data))
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size));
    WebPDataClear(&data);
    return bytes;
}

} // namespace picturebytes
