#include "export/exportrun.h"

#include "export/atomicfile.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <stdexcept>
#include <thread>

namespace exports {

namespace {

constexpr int ProgressDelayMs = 500;
constexpr int ProgressTickMs = 100;

template <typename Step>
bool Attempt(ExportOutcome &outcome, ExportOutcome::Failure stage, Step &&step)
{
    try {
        step();
        return true;
    } catch (...) {
        outcome.failed = stage;
        outcome.failure = std::current_exception();
        return false;
    }
}

QString ProgressText(qint64 rows, qint64 total)
{
    if (total < 0)
        return QStringLiteral("%L1 rows written").arg(rows);
    return QStringLiteral("%L1 of %L2 rows written").arg(rows).arg(total);
}

} // namespace

ExportOutcome StreamRows(GridView &grid, const std::function<TableWriter &()> &start,
                         const std::function<void()> &finish, ExportControl &control)
{
    using Failure = ExportOutcome::Failure;
    ExportOutcome outcome;
    TableWriter *writer = nullptr;
    if (!Attempt(outcome, Failure::Reading, [&] { grid.open(); })
        || !Attempt(outcome, Failure::Writing, [&] {
               writer = &start();
               writer->begin(grid.columns(), grid.captions());
           }))
        return outcome;
    outcome.step = ExportOutcome::Step::Rows;
    Row row;
    for (;;) {
        bool more = false;
        if (control.cancelled) {
            outcome.cancelled = true;
            return outcome;
        }
        if (!Attempt(outcome, Failure::Reading, [&] { more = grid.nextRow(row); })) {
            outcome.cancelled = control.cancelled;
            return outcome;
        }
        if (!more)
            break;
        if (!Attempt(outcome, Failure::Writing, [&] { writer->row(row); }))
            return outcome;
        outcome.rows = ++control.rows;
    }
    outcome.step = ExportOutcome::Step::Finish;
    if (Attempt(outcome, Failure::Writing, [&] {
            writer->end();
            if (finish)
                finish();
        }))
        outcome.notice = writer->notice();
    return outcome;
}

ExportOutcome WriteTableFile(GridView &grid, const WriterFactory &makeWriter,
                             const QString &path, ExportControl &control)
{
    AtomicFile file(path);
    std::unique_ptr<TableWriter> writer;
    return StreamRows(
        grid,
        [&]() -> TableWriter & {
            file.open();
            writer = makeWriter(file.device());
            return *writer;
        },
        [&] { file.commit(); }, control);
}

ExportOutcome RunWithProgress(QWidget *window, qint64 total, ExportControl &control,
                              const std::function<ExportOutcome()> &work,
                              const std::function<void()> &cancel, const ProgressWords &words)
{
    const auto text = [&](qint64 rows) { return words ? words(rows) : ProgressText(rows, total); };
    ExportOutcome outcome;
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            outcome = work();
        } catch (...) {
            outcome.failed = ExportOutcome::Failure::Writing;
            outcome.failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // A short export finishes before anything shows; meanwhile no click or
    // key reaches the window, whose rows are being read.
    QTimer::singleShot(ProgressDelayMs, &loop, &QEventLoop::quit);
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        QProgressDialog progress(window);
        progress.setWindowModality(Qt::WindowModal);
        progress.setWindowTitle(window ? window->windowTitle() : QString());
        progress.setMinimumDuration(0);
        progress.setRange(0, total > 0 ? 1000 : 0);
        progress.setLabelText(text(0));
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
            control.cancelled = true;
            if (cancel)
                cancel();
        });
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &progress, [&] {
            const qint64 rows = control.rows;
            progress.setLabelText(text(rows));
            if (total > 0)
                progress.setValue(int(std::min<qint64>(999, rows * 1000 / total)));
        });
        tick.start(ProgressTickMs);
        progress.show();
        while (!done)
            loop.exec();
    }
    worker.join();
    return outcome;
}

} // namespace exports
