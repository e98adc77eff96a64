#pragma once

#include "export/gridview.h"
#include "export/tablewriter.h"
#include "db/grid/job.h"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

class QIODevice;

namespace exports {

// What came of an export.
struct ExportOutcome
{
    enum class Failure { None, Reading, Writing };
    // Where it failed: before the first row, among the rows, or at the end.
    enum class Step { Start, Rows, Finish };
    Failure failed = Failure::None;
    Step step = Step::Start;
    std::exception_ptr failure;   // what failed, for the error report
    bool cancelled = false;
    qint64 rows = 0;
    QString notice;               // the writer's word after a finished export

    bool finished() const { return failed == Failure::None && !cancelled; }
};

// Shared between the export's thread and the window that waits for it.
struct ExportControl
{
    std::atomic<qint64> rows{0};
    std::atomic<bool> cancelled{false};
};

using WriterFactory = std::function<std::unique_ptr<TableWriter>(QIODevice &)>;

// Reads every row of the grid view into a writer: `start` runs once the
// grid is open and hands over the writer, `finish` after the writer's end.
// Runs on any thread; stops early when cancelled.
ExportOutcome StreamRows(GridView &grid, const std::function<TableWriter &()> &start,
                         const std::function<void()> &finish, ExportControl &control);

// Reads every row of the grid view and writes it through the writer into
// an atomic file at path: the file appears only when the last row is in.
// Runs on any thread; stops early, writing nothing, when cancelled.
ExportOutcome WriteTableFile(GridView &grid, const WriterFactory &makeWriter,
                             const QString &path, ExportControl &control);

// Runs an export as a job of `jobs`: `work` on the runner's worker with
// the job's control, whose rows give the progress line ("N of M rows
// written", "N rows written" when `total` is -1). A cancel sets
// control.cancelled and calls `interrupt`, which stops a read waiting on
// the server.
ExportOutcome RunExport(db::JobRunner &jobs, qint64 total,
                        const std::function<ExportOutcome(ExportControl &)> &work,
                        const std::function<void()> &interrupt = {});

} // namespace exports
