#include "picture/memory_budget.h"

#include "picture/picture.h"

#include <algorithm>

namespace picture {

DecodingShare decodingShare(const QByteArray& bytes, QSize target)
{
    const qint64 needed = decodingMemory(bytes, target);
    if (needed <= kMemoryBudgetBytes)
        return {needed, {}};
    const qint64 megabyte = 1024 * 1024LL;
    return {needed,
            {core::ReasonCode::MemoryBudget,
             {QString::number((needed + megabyte - 1) / megabyte), QString::number(kBatchMemoryBudgetMegabytes)}}};
}

DecodedPicture decodeWithinBudget(const QByteArray& bytes, QSize target)
{
    const core::Reason refusal = decodingShare(bytes, target).refusal;
    if (refusal)
        return {{}, refusal, {}};
    return decodePicture(bytes, target);
}

qint64 MemoryBudget::take(qint64 bytes)
{
    // Shares come through decodingShare, which refuses any larger than the whole budget; one that did not
    // would wait for ever.
    bytes = std::min(bytes, m_total);
    std::unique_lock lock(m_mutex);
    m_returned.wait(lock, [&] { return m_free >= bytes; });
    m_free -= bytes;
    return bytes;
}

void MemoryBudget::give(qint64 taken)
{
    {
        std::lock_guard lock(m_mutex);
        m_free += taken;
    }
    m_returned.notify_all();
}

} // namespace picture
