#pragma once

#include <QImage>
#include <QSize>

#include <memory>

// Reducing a large picture to about the size it is shown at, the same way for every format: each pixel of the
// result is the average of a k x k block of the picture's pixels, weighted by alpha (premultiplied, so a
// transparent pixel lends its block no colour), and pixels whose data never came are left out of their block.
// Decoders that read row by row (PNG, TIFF, BMP) reduce while reading, so a large picture never exists at full
// size in memory; the others hand over the whole picture and reducePicture gives the same result.
namespace picture {

// The k by which a picture of `full` pixels shown at `target` is reduced: the largest whose result, rounded
// up (the blocks at the right and bottom edges may be smaller), is still at least the target in both
// directions. 1 for an empty target or a picture no larger than it.
int reductionFactor(QSize full, QSize target);

// The size of a picture of `full` pixels reduced by k: each side divided by k, rounded up.
QSize reducedSize(QSize full, int k);

// Reduces a picture of `full` pixels by k as its rows come. The result starts as kMissingDataColour: a block
// that no pixel arrived for keeps it. It is ARGB32_Premultiplied when `alpha`, else RGB32 (and the rows' alpha
// is then taken as opaque whatever it says).
class RowReducer {
public:
    RowReducer(QSize full, int k, bool alpha);
    ~RowReducer();
    RowReducer(const RowReducer&) = delete;
    RowReducer& operator=(const RowReducer&) = delete;

    // False when memory for the result or the sums was refused.
    bool isValid() const;

    // Adds row y (0 to full height - 1) of ARGB32 pixels, not premultiplied (QRgb). Rows may come top down or
    // bottom up, and rows may be left out, but the rows of one block must come together: a row of another
    // block finishes the block being summed. `present`, when given, holds one byte per pixel, 0 for a pixel
    // whose data never came, which is then left out of its block.
    void addRow(int y, const QRgb* row, const uchar* present = nullptr);

    // The reduced picture, with the block being summed finished. The reducer is empty afterwards.
    QImage finish();

private:
    struct Sum;
    void finishBlock();

    int m_k;
    int m_width;
    bool m_alpha;
    QImage m_out;
    std::unique_ptr<Sum[]> m_sums; // one per reduced column
    int m_block = -1;              // the reduced row being summed, -1 before the first row
};

// The picture in true colour: RGB32 when it has no alpha channel, else ARGB32 or ARGB32_Premultiplied as it
// was; an indexed picture by its colour table, entries past the table's end black. Null when memory ran out.
QImage trueColour(const QImage& picture);

// The whole picture reduced by k as RowReducer does: the same pixels give the same result whether a decoder
// reduced them while reading or handed them over whole. k 1 gives trueColour(picture). Null when memory ran
// out or the picture is null.
QImage reducePicture(const QImage& picture, int k);

} // namespace picture
