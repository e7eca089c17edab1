#include "picture/resample.h"

#include "picture/decoded_picture.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace picture {

int reductionFactor(QSize full, QSize target)
{
    if (target.isEmpty() || full.isEmpty())
        return 1;
    // ceil(w / k) >= t holds for every k when t is 1, and otherwise exactly while k <= (w - 1) / (t - 1).
    auto largest = [](int w, int t) { return t == 1 ? w : (w - 1) / (t - 1); };
    return std::max(1, std::min(largest(full.width(), target.width()), largest(full.height(), target.height())));
}

QSize reducedSize(QSize full, int k)
{
    return {(full.width() + k - 1) / k, (full.height() + k - 1) / k};
}

// Sums for one pixel of the result: alpha, the colours weighted by alpha (or plain, for opaque rows), and how
// many pixels came.
struct RowReducer::Sum {
    quint64 a, r, g, b;
    quint32 n;
};

RowReducer::RowReducer(QSize full, int k, bool alpha) : m_k(std::max(k, 1)), m_width(full.width()), m_alpha(alpha)
{
    const QSize size = reducedSize(full, m_k);
    m_out = QImage(size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (m_out.isNull())
        return;
    m_out.fill(kMissingDataColour);
    m_sums.reset(new (std::nothrow) Sum[size_t(size.width())]());
    if (!m_sums)
        m_out = QImage();
}

RowReducer::~RowReducer() = default;

bool RowReducer::isValid() const
{
    return !m_out.isNull();
}

void RowReducer::finishBlock()
{
    if (m_block < 0)
        return;
    auto* out = reinterpret_cast<QRgb*>(m_out.scanLine(m_block));
    const int width = m_out.width();
    for (int x = 0; x < width; ++x) {
        Sum& s = m_sums[x];
        if (s.n == 0)
            continue;
        const quint64 n = s.n;
        if (m_alpha) {
            const quint64 weighted = 255 * n;
            const quint64 a = (s.a + n / 2) / n;
            auto channel = [&](quint64 sum) { return uint(std::min((sum + weighted / 2) / weighted, a)); };
            out[x] = uint(a) << 24 | channel(s.r) << 16 | channel(s.g) << 8 | channel(s.b);
        } else {
            // The same rounding as the weighted sums give with every alpha 255.
            auto channel = [&](quint64 sum) { return uint((sum + n / 2) / n); };
            out[x] = 0xFF000000u | channel(s.r) << 16 | channel(s.g) << 8 | channel(s.b);
        }
        s = {};
    }
    m_block = -1;
}

void RowReducer::addRow(int y, const QRgb* row, const uchar* present)
{
    if (m_out.isNull() || y < 0 || y / m_k >= m_out.height())
        return;
    if (y / m_k != m_block) {
        finishBlock();
        m_block = y / m_k;
    }
    const int k = m_k;
    if (!m_alpha && present == nullptr) { // the common case, without a test per pixel, summed in registers
        for (int x0 = 0, bx = 0; x0 < m_width; x0 += k, ++bx) {
            const int end = std::min(x0 + k, m_width);
            quint32 r = 0, g = 0, b = 0; // at most 16384 values of 255 each
            for (int x = x0; x < end; ++x) {
                const QRgb p = row[x];
                r += p >> 16 & 0xFF;
                g += p >> 8 & 0xFF;
                b += p & 0xFF;
            }
            Sum& s = m_sums[bx];
            s.r += r;
            s.g += g;
            s.b += b;
            s.n += quint32(end - x0);
        }
        return;
    }
    for (int x0 = 0, bx = 0; x0 < m_width; x0 += k, ++bx) {
        Sum& s = m_sums[bx];
        const int end = std::min(x0 + k, m_width);
        for (int x = x0; x < end; ++x) {
            if (present != nullptr && present[x] == 0)
                continue;
            const QRgb p = row[x];
            if (m_alpha) {
                const quint64 a = qAlpha(p);
                s.a += a;
                s.r += qRed(p) * a;
                s.g += qGreen(p) * a;
                s.b += qBlue(p) * a;
            } else {
                s.r += qRed(p);
                s.g += qGreen(p);
                s.b += qBlue(p);
            }
            ++s.n;
        }
    }
}

QImage RowReducer::finish()
{
    finishBlock();
    m_sums.reset();
    return std::exchange(m_out, QImage());
}

namespace {

bool isIndexed(QImage::Format format)
{
    return format == QImage::Format_Indexed8 || format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

} // namespace

QImage trueColour(const QImage& picture)
{
    if (picture.isNull())
        return {};
    const QImage::Format format = picture.format();
    if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
        format == QImage::Format_ARGB32_Premultiplied)
        return picture;
    QImage source = picture;
    if (isIndexed(format)) {
        // Qt's conversion gives an index past the table the last entry's colour; such an index is black here.
        QList<QRgb> table = source.colorTable();
        const int full = 1 << source.depth();
        if (!table.isEmpty() && table.size() < full) {
            table.resize(full, qRgb(0, 0, 0));
            source.setColorTable(table);
        }
    }
    return source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage reducePicture(const QImage& picture, int k)
{
    if (picture.isNull())
        return {};
    if (k <= 1)
        return trueColour(picture);
    const bool alpha = picture.hasAlphaChannel();
    RowReducer reducer(picture.size(), k, alpha);
    if (!reducer.isValid())
        return {};
    const QImage::Format rows = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (picture.format() == rows) {
        for (int y = 0; y < picture.height(); ++y)
            reducer.addRow(y, reinterpret_cast<const QRgb*>(picture.constScanLine(y)));
        return reducer.finish();
    }
    const QImage::Format format = picture.format();
    if (format == QImage::Format_RGB888 || format == QImage::Format_RGBX8888 || format == QImage::Format_RGBA8888) {
        // What libwebp and libheif give, taken byte by byte into one row's buffer.
        const std::unique_ptr<QRgb[]> row(new (std::nothrow) QRgb[size_t(picture.width())]);
        if (!row)
            return {};
        const int step = format == QImage::Format_RGB888 ? 3 : 4;
        const bool withAlpha = format == QImage::Format_RGBA8888;
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* p = picture.constScanLine(y);
            for (int x = 0; x < picture.width(); ++x, p += step)
                row[size_t(x)] = qRgba(p[0], p[1], p[2], withAlpha ? p[3] : 255);
            reducer.addRow(y, row.get());
        }
        return reducer.finish();
    }
    // Other formats are converted a band of rows at a time, so no second whole picture is made.
    constexpr int kBand = 64;
    for (int top = 0; top < picture.height(); top += kBand) {
        const int height = std::min(kBand, picture.height() - top);
        const QImage band = trueColour(picture.copy(0, top, picture.width(), height)).convertToFormat(rows);
        if (band.isNull())
            return {};
        for (int y = 0; y < height; ++y)
            reducer.addRow(top + y, reinterpret_cast<const QRgb*>(band.constScanLine(y)));
    }
    return reducer.finish();
}

} // namespace picture
