#pragma once

#include "core/reasons.h"
#include "picture/decoded_picture.h"
#include "picture/limits.h"

#include <QByteArray>
#include <QSize>

#include <condition_variable>
#include <mutex>

// Memory for decoded pictures, the same bound for the window and vorlith-batch: kBatchMemoryBudgetMegabytes.
// vorlith-batch's workers share it, a worker waiting while others hold it; the window decodes one material at
// a time and keeps no decoded picture beyond the one box-sized copy it shows. Both refuse, before decoding, a
// material whose decoding alone would need more than the whole budget.
namespace picture {

inline constexpr qint64 kMemoryBudgetBytes = kBatchMemoryBudgetMegabytes * 1024 * 1024;

// What decoding a material for `target` takes of the budget (picture::decodingMemory), or why it is refused:
// the memory reason when that is more than the whole budget.
struct DecodingShare {
    qint64 bytes = 0;
    core::Reason refusal;
};
DecodingShare decodingShare(const QByteArray& bytes, QSize target);

// Decodes a material for `target` alone, as the window does (picture::decodePicture), after the same
// refusal: no picture, with the memory reason, when it would need more than the whole budget.
DecodedPicture decodeWithinBudget(const QByteArray& bytes, QSize target);

// The budget shared by threads. A worker takes its material's share before decoding and gives it back when
// the material is written; it waits while the budget is taken.
class MemoryBudget {
public:
    explicit MemoryBudget(qint64 bytes = kMemoryBudgetBytes) : m_total(bytes), m_free(bytes) {}
    qint64 take(qint64 bytes);
    void give(qint64 taken);

private:
    const qint64 m_total;
    qint64 m_free;
    std::mutex m_mutex;
    std::condition_variable m_returned;
};

} // namespace picture
