#include "export/exportrun.h"

#include "export/atomicfile.h"

#include <algorithm>

namespace exports {

namespace {

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

namespace {

class ExportJob : public db::Job
{
public:
    ExportJob(qint64 total, const std::function<ExportOutcome(ExportControl &)> &work,
              const std::function<void()> &interrupt)
        : m_total(total), m_work(work), m_interrupt(interrupt)
    {
    }

    void work() override { m_outcome = m_work(m_control); }
    QString progressText() const override { return ProgressText(m_control.rows, m_total); }
    int progressPermille() const override
    {
        return m_total > 0 ? int(std::min<qint64>(999, m_control.rows * 1000 / m_total)) : -1;
    }

    ExportOutcome outcome() const
    {
        ExportOutcome outcome = m_outcome;
        if (failure()) {
            outcome.failed = ExportOutcome::Failure::Writing;
            outcome.failure = failure();
        }
        return outcome;
    }

protected:
    void interrupt() override
    {
        m_control.cancelled = true;
        if (m_interrupt)
            m_interrupt();
    }

private:
    qint64 m_total;
    const std::function<ExportOutcome(ExportControl &)> &m_work;
    const std::function<void()> &m_interrupt;
    ExportControl m_control;
    ExportOutcome m_outcome;
};

} // namespace

ExportOutcome RunExport(db::JobRunner &jobs, qint64 total,
                        const std::function<ExportOutcome(ExportControl &)> &work,
                        const std::function<void()> &interrupt)
{
    ExportJob job(total, work, interrupt);
    jobs.run(job);
    return job.outcome();
}

} // namespace exports
