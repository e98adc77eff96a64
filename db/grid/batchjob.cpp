#include "db/grid/batchjob.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace db {

namespace {

// A batch should take about this long, so the window is updated often and
// a cancel is quick, yet each transaction carries many rows.
constexpr qint64 BatchTargetMs = 50;
constexpr int SmallestBatch = 20;
constexpr int LargestBatch = 2000;

} // namespace

void BatchJob::fitBatchSize(qint64 elapsedMs)
{
    // At most twice as many each time: one quick batch proves little.
    const qint64 doubled = qint64(m_batchSize) * 2;
    const qint64 wanted = elapsedMs <= 0 ? doubled
                                         : std::min(doubled, m_batchSize * BatchTargetMs / elapsedMs);
    m_batchSize = int(std::clamp<qint64>(wanted, SmallestBatch, LargestBatch));
}

void BatchJob::runHere(const std::function<void()> &afterBatch)
{
    while (!cancelled()) {
        const Step step = prepare();
        if (step == Step::Done)
            return;
        if (step == Step::Wait) {
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
            continue;
        }
        write();
        apply();
        if (afterBatch)
            afterBatch();
    }
}

} // namespace db
