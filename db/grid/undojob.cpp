#include "db/grid/undojob.h"

#include "db/grid/tablemodel.h"

#include <QElapsedTimer>

namespace db {

UndoJob::UndoJob(TableModel &model, bool redo)
    : BatchJob(redo ? QStringLiteral("redone") : QStringLiteral("undone")), m_model(model),
      m_redo(redo), m_connectionString(model.connectionString()),
      m_table(model.table()), m_columns(model.m_columns)
{
    const UndoHistory &history = model.m_history;
    if (redo ? !history.canRedo() : !history.canUndo())
        return;
    m_step = redo ? history.nextRedo() : history.nextUndo();
    m_writes = ReplayWrites(m_step, redo);
    m_order = ReplayOrder(m_step, redo);
}

// A step not committed is rolled back here, whatever stopped it.
UndoJob::~UndoJob() = default;

Job::Step UndoJob::prepare()
{
    if (m_committed || cancelled() || !m_error.isEmpty() || m_next >= m_writes.size())
        return Step::Done;
    m_batchEnd = std::min(m_writes.size(), m_next + std::size_t(m_batchSize));
    return Step::Work;
}

void UndoJob::work()
{
    QElapsedTimer timer;
    timer.start();
    try {
        if (!m_writer) {
            m_writer = std::make_unique<RowWriter>(m_connectionString, m_table);
            m_writer->setColumns(m_columns);
        }
        if (!m_transaction)
            m_transaction.emplace(m_writer->beginWrite());
    } catch (const DbError &error) {
        fail(error.message());
        return;
    }
    for (; m_next < m_batchEnd; ++m_next) {
        if (cancelled())
            return;
        WriteResult result = m_writer->writeIn(*m_transaction, m_writes[m_next]);
        if (!result.ok) {
            fail(result.error);
            return;
        }
        m_results.push_back(std::move(result));
        ++m_handled;
    }
    if (m_next == m_writes.size()) {
        try {
            m_transaction->commit();
            m_committed = true;
        } catch (const DbError &error) {
            fail(error.message());
        }
    }
    m_writeMs = timer.elapsed();
}

void UndoJob::fail(const QString &message)
{
    m_error = message;
    m_transaction.reset();   // rolls back
}

void UndoJob::apply()
{
    fitBatchSize(m_writeMs);
    if (!m_committed || m_applied)
        return;
    m_applied = true;
    m_model.applyReplay(std::move(m_step), m_redo, m_order, m_results);
}

QStringList UndoJob::failures() const
{
    if (m_error.isEmpty())
        return {};
    return {m_error};
}

} // namespace db
