#pragma once

#include "db/grid/job.h"

#include <QStringList>

#include <atomic>

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
// (prepare, apply), the writes (work) on the runner's worker.
class BatchJob : public Job
{
public:
    // `done` says what happens to a row: "deleted", "pasted".
    explicit BatchJob(QString done) : m_done(std::move(done)) {}

    virtual qint64 total() const = 0;
    // Rows handled so far, written or refused; any thread.
    qint64 handled() const { return m_handled; }
    // What was refused, one line a row.
    virtual QStringList failures() const = 0;

    // "%L1 of %L2 rows <done>"
    QString progressText() const override;
    int progressPermille() const override;

protected:
    // Aims the next batch at a fixed time, from how long this one took.
    void fitBatchSize(qint64 elapsedMs);

    int m_batchSize = 100;
    std::atomic<qint64> m_handled{0};

private:
    QString m_done;
};

} // namespace db
