#include "db/grid/batchjob.h"

#include <algorithm>

namespace db {

namespace {

// A batch should take about this long, so the window is updated often and
// a cancel is quick, yet each transaction carries many rows.
constexpr qint64 BatchTargetMs = 50;
constexpr int SmallestBatch = 20;
constexpr int LargestBatch = 2000;

} // namespace

QString BatchJob::progressText() const
{
    return QStringLiteral("%L1 of %L2 rows %3").arg(handled()).arg(total()).arg(m_done);
}

int BatchJob::progressPermille() const
{
    return total() > 0 ? int(std::min<qint64>(999, handled() * 1000 / total())) : -1;
}

void BatchJob::fitBatchSize(qint64 elapsedMs)
{
    // At most twice as many each time: one quick batch proves little.
    const qint64 doubled = qint64(m_batchSize) * 2;
    const qint64 wanted = elapsedMs <= 0 ? doubled
                                         : std::min(doubled, m_batchSize * BatchTargetMs / elapsedMs);
    m_batchSize = int(std::clamp<qint64>(wanted, SmallestBatch, LargestBatch));
}

} // namespace db
