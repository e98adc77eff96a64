#pragma once

#include <QStringList>

#include <atomic>
#include <functional>

namespace db {

// Model rows first to last, both included.
struct RowSpan
{
    int first = 0;
    int last = 0;
    int size() const { return last - first + 1; }
};

// Work on many rows of the grid, done in batches so that every batch is
// committed before the next one starts: what was done stays done when the
// work is cancelled. The model's part of a batch runs on the UI thread
// (prepare, apply), the writes may run on a worker meanwhile.
class BatchJob
{
public:
    enum class Step {
        Batch,   // a batch is ready to be written
        Wait,    // rows it needs are still being read: let events in, then prepare again
        Done,
    };

    virtual ~BatchJob() = default;

    virtual qint64 total() const = 0;
    // Rows handled so far, written or refused; any thread.
    qint64 handled() const { return m_handled; }
    // Any thread: the batch being written stops after its current row.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    // UI thread: takes the next batch.
    virtual Step prepare() = 0;
    // Any thread: writes the batch taken.
    virtual void write() = 0;
    // UI thread: puts the batch's outcome into the model.
    virtual void apply() = 0;
    // What was refused, one line a row.
    virtual QStringList failures() const = 0;

    // Every batch on the calling thread, events let in while waiting for
    // rows; `afterBatch` runs after each applied batch (it may cancel).
    void runHere(const std::function<void()> &afterBatch = {});
    // Set by whoever writes while events go on (rows arriving from the
    // read may then move rows between prepare and apply).
    void setWritesWhileEvents(bool on) { m_writesWhileEvents = on; }

protected:
    // Aims the next batch at a fixed time, from how long this one took.
    void fitBatchSize(qint64 elapsedMs);

    int m_batchSize = 100;
    bool m_writesWhileEvents = false;
    std::atomic<qint64> m_handled{0};
    std::atomic<bool> m_cancelled{false};
};

} // namespace db
