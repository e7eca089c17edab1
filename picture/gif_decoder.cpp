#include "picture/gif_decoder.h"

#include "picture/limits.h"
#include "picture/picture.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace picture {

namespace {

const QString kGif = kindName(PictureKind::Gif);

// The bytes as giflib reads them, and whether it asked for more than there are: a file cut short.
struct Source {
    const QByteArray& bytes;
    qsizetype at = 0;
    bool ranOut = false;
};

int readBytes(GifFileType* gif, GifByteType* out, int wanted)
{
    Source& source = *static_cast<Source*>(gif->UserData);
    const qsizetype n = std::clamp<qsizetype>(source.bytes.size() - source.at, 0, std::max(wanted, 0));
    source.ranOut = source.ranOut || n < wanted;
    std::memcpy(out, source.bytes.constData() + source.at, size_t(n));
    source.at += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// What stopped giflib. Where the bytes ran out it says a read failed, or (cut right after a frame's
// descriptor) nothing at all: that is data that ends early. It also says a read failed for an LZW code size
// past 8 bits, which is a defect in the picture data.
int whatStopped(int error, const Source& source)
{
    if (source.ranOut)
        return D_GIF_ERR_EOF_TOO_SOON;
    return error == D_GIF_ERR_READ_FAILED ? D_GIF_ERR_IMAGE_DEFECT : error;
}

// The reason for it, in giflib's own words.
core::Reason failure(int error, const Source& source)
{
    if (error == D_GIF_ERR_NOT_ENOUGH_MEM)
        return core::ReasonCode::OutOfMemory;
    const char* words = GifErrorString(whatStopped(error, source));
    return {core::ReasonCode::Damaged, {kGif, QString::fromLatin1(words ? words : "unknown error")}};
}

// The colour of each of the 256 indexes: the table's colours, transparent white past its end (white in an
// opaque picture), black for every index when the file has no table at all; the transparent index keeps
// its colour with no alpha.
std::array<QRgb, 256> coloursOf(const ColorMapObject* table, int transparent, bool opaque)
{
    std::array<QRgb, 256> colours;
    colours.fill(table ? 0x00FFFFFFu : 0xFF000000u);
    for (int i = 0; table && i < std::min(table->ColorCount, 256); ++i)
        colours[size_t(i)] = qRgb(table->Colors[i].Red, table->Colors[i].Green, table->Colors[i].Blue);
    if (transparent >= 0 && transparent < 256)
        colours[size_t(transparent)] &= 0x00FFFFFFu;
    if (opaque) {
        for (QRgb& c : colours)
            c |= 0xFF000000u;
    }
    return colours;
}

// Walks the records up to the first image descriptor and reads it, keeping the transparent index of a
// graphic control extension before it (-1: none). False with the file's error set when there is none.
bool readToFirstFrame(GifFileType* gif, int& transparent)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE) {
            gif->Error = D_GIF_ERR_NO_IMAG_DSCR;
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        GraphicsControlBlock control;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

// The frame's rows in the order the file stores them: top to bottom, or the four passes of interlacing.
std::vector<int> storedRowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(size_t(height));
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
        for (int y = interlaced ? kStart[pass] : 0; y < height; y += interlaced ? kStep[pass] : 1)
            rows.push_back(y);
    }
    return rows;
}

// The screen with the frame's area kMissingDataColour, then each row of the frame drawn as giflib delivers
// it, clipped to the screen. Returns how many rows came; giflib's error says why the rest did not.
int drawFrame(GifFileType* gif, QImage& screen, const std::array<QRgb, 256>& colours)
{
    const GifImageDesc& frame = gif->Image;
    const QRect area = QRect(frame.Left, frame.Top, frame.Width, frame.Height).intersected(screen.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(screen.scanLine(y)) + area.left(), area.width(), kMissingDataColour);
    if (frame.Width == 0)
        return frame.Height; // rows of no pixels: nothing to read
    std::vector<GifPixelType> line(size_t(frame.Width));
    int delivered = 0;
    for (const int y : storedRowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            return delivered;
        ++delivered;
        if (frame.Top + y >= screen.height())
            continue;
        auto* row = reinterpret_cast<QRgb*>(screen.scanLine(frame.Top + y));
        for (int x = 0; x < frame.Width && frame.Left + x < screen.width(); ++x)
            row[frame.Left + x] = colours[line[size_t(x)]];
    }
    return delivered;
}

// The file opened and read up to its first frame's pixel data.
struct FirstFrame {
    GifFile gif;
    int transparent = NO_TRANSPARENT_COLOR;
    core::Reason failure; // why there is no first frame
    // The extent the screen and the frame cover together, which the limits bound, and the screen the picture
    // is: a screen of no width or height takes the frame's extent, a frame reaching past a screen is cut off.
    QSize extent() const
    {
        const GifImageDesc& f = gif->Image;
        return {std::max(f.Left + f.Width, gif->SWidth), std::max(f.Top + f.Height, gif->SHeight)};
    }
    QSize screen() const
    {
        const QSize all = extent();
        return {gif->SWidth > 0 ? gif->SWidth : all.width(), gif->SHeight > 0 ? gif->SHeight : all.height()};
    }
    // Without a transparent index, and with the frame covering the whole screen, the picture is opaque.
    bool opaque() const
    {
        const GifImageDesc& f = gif->Image;
        return transparent == NO_TRANSPARENT_COLOR &&
               QRect(f.Left, f.Top, f.Width, f.Height).contains(QRect(QPoint(0, 0), screen()));
    }
};

FirstFrame openFirstFrame(Source& source)
{
    int error = D_GIF_SUCCEEDED;
    FirstFrame first;
    first.gif.reset(DGifOpen(&source, readBytes, &error));
    if (!first.gif)
        first.failure = failure(error, source);
    else if (!readToFirstFrame(first.gif.get(), first.transparent))
        first.failure = failure(first.gif->Error, source);
    return first;
}

} // namespace

DecodedPicture decodeGif(const QByteArray& bytes)
{
    Source source{bytes};
    const FirstFrame first = openFirstFrame(source);
    if (first.failure)
        return {{}, first.failure, {}};
    GifFileType* gif = first.gif.get();
    const core::Reason refusal = pictureSizeRefusal(first.extent().width(), first.extent().height());
    if (refusal)
        return {{}, refusal, {}};
    const int transparent = first.transparent;
    QImage screen(first.screen(), first.opaque() ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (screen.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};

    // Outside the frame the screen is transparent, as browsers show it (the background colour is a hint
    // they ignore), so the box's white shows there.
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* table = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    const std::array<QRgb, 256> colours = coloursOf(table, transparent, transparent == NO_TRANSPARENT_COLOR);
    screen.fill(QColor::fromRgba(0x00FFFFFFu));

    const int delivered = drawFrame(gif, screen, colours);
    if (delivered == frame.Height)
        return {screen, {}, {}};
    const core::Reason why = failure(gif->Error, source);
    if (delivered == 0 || why.code == core::ReasonCode::OutOfMemory)
        return {{}, why, {}};
    if (whatStopped(gif->Error, source) == D_GIF_ERR_EOF_TOO_SOON)
        return {screen, {}, {core::ReasonCode::Truncated, {kGif}}};
    return {screen, {}, {core::ReasonCode::DamagedShown, why.args}};
}

qint64 gifDecodingMemory(const QByteArray& bytes)
{
    Source source{bytes};
    const FirstFrame first = openFirstFrame(source);
    if (first.failure)
        return 0;
    // The screen's pixels, and with a transparent index the copy over white the composition makes.
    const qint64 pixels = qint64(first.screen().width()) * first.screen().height();
    return pixels * 4 * (first.opaque() ? 1 : 2);
}

} // namespace picture
