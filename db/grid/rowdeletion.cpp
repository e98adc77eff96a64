#include "db/grid/rowdeletion.h"

#include "db/grid/tablemodel.h"

#include <algorithm>

namespace db {

namespace {

// Sorted highest first, overlaps merged.
std::vector<RowSpan> Normalised(std::vector<RowSpan> spans)
{
    std::erase_if(spans, [](const RowSpan &span) { return span.last < span.first; });
    std::sort(spans.begin(), spans.end(),
              [](const RowSpan &a, const RowSpan &b) { return a.last > b.last; });
    std::vector<RowSpan> merged;
    for (const RowSpan &span : spans) {
        if (!merged.empty() && span.last >= merged.back().first - 1)
            merged.back().first = std::min(merged.back().first, span.first);
        else
            merged.push_back(span);
    }
    return merged;
}

} // namespace

RowDeletion::RowDeletion(TableModel &model, std::vector<RowSpan> spans)
    : BatchJob(QStringLiteral("deleted")), m_model(model),
      m_connectionString(model.connectionString()),
      m_spans(Normalised(std::move(spans)))
{
    for (const RowSpan &span : m_spans)
        m_total += span.size();
    m_readFailedWatch = QObject::connect(&model, &TableModel::readFailed,
                                         [this] { m_readFailed = true; });
    if (model.m_writer)
        m_undoColumns = model.writableColumns();
    // The rows deleted, however many batches it takes, are one step.
    model.beginUndoStep(UndoKind::Delete);
}

RowDeletion::~RowDeletion()
{
    QObject::disconnect(m_readFailedWatch);
    m_model.endUndoStep();
}

Job::Step RowDeletion::prepare()
{
    m_batch.clear();
    m_results.clear();
    if (cancelled() || !m_model.m_writer)
        return Step::Done;
    while (int(m_batch.size()) < m_batchSize && !m_spans.empty()) {
        RowSpan &span = m_spans.front();
        const int row = span.last;
        // Rows past the last one read, before the count is in, are records
        // still to come; only the very last row is the new-record line.
        const bool newRecord = row == m_model.newRecordRow();
        if (!newRecord && !m_readFailed && !m_model.rowSettled(row, eventsDuringWork())) {
            if (m_batch.empty())
                return Step::Wait;
            break;
        }
        const TableModel::Source source = m_model.sourceOf(row);
        if (newRecord) {
            m_model.revertRow(row);   // only typed values to drop
            ++m_handled;
        } else if (source.kind == TableModel::Source::Placeholder) {
            ++m_unread;   // the read failed: the row was never shown
            ++m_handled;
        } else {
            const std::vector<Cell> cells = m_model.storedCells(row);
            Target target{row, m_model.m_writer->deleteOf(cells), StoredRowOf(cells)};
            target.undoable = m_model.loadBlobContents(target.before, m_undoColumns);
            m_batch.push_back(std::move(target));
        }
        if (--span.last < span.first)
            m_spans.erase(m_spans.begin());
    }
    return m_batch.empty() ? Step::Done : Step::Work;
}

void RowDeletion::work()
{
    QElapsedTimer timer;
    timer.start();
    m_results.clear();
    try {
        if (!m_attachment)
            m_attachment = std::make_unique<Attachment>(Attachment::open(m_connectionString));
    } catch (const DbError &error) {
        // Without the database no row can go: the first tells why, and the
        // rest of the selection stays as it is.
        WriteResult result;
        result.error = error.message();
        result.cause = error;
        m_results.assign(1, result);
        cancel();
        return;
    }
    std::vector<RowDelete> statements;
    statements.reserve(m_batch.size());
    for (const Target &target : m_batch)
        statements.push_back(target.statement);
    int done = 0;
    if (RowWriter::removeBatch(*m_attachment, statements, m_cancelled, done)) {
        m_results.assign(done, WriteResult{true, {}, {}});
    } else {
        // One row spoilt the batch: every row on its own, as a single delete.
        for (const RowDelete &statement : statements) {
            if (cancelled())
                break;
            m_results.push_back(RowWriter::removeOn(*m_attachment, statement));
            if (const auto &cause = m_results.back().cause; cause && cause->isConnectionLost()) {
                m_attachment.reset();
                cancel();
                break;
            }
        }
    }
    m_writeMs = timer.elapsed();
}

void RowDeletion::apply()
{
    const int written = int(m_results.size());
    int i = 0;
    while (i < written) {
        if (!m_results[i].ok) {
            report(m_batch[i].row, m_results[i]);
            ++i;
            continue;
        }
        // A run of deleted neighbours leaves the model in one go.
        int j = i;
        while (j + 1 < written && m_results[j + 1].ok && m_batch[j + 1].row == m_batch[j].row - 1)
            ++j;
        for (int k = i; k <= j; ++k) {
            if (m_batch[k].undoable)
                m_model.noteWritten(UndoKind::Delete, UndoRow{std::move(m_batch[k].before), {},
                                                              m_undoColumns, m_batch[k].row});
        }
        m_model.removeRowRange(m_batch[j].row, m_batch[i].row);
        i = j + 1;
    }
    m_handled += written;
    // Rows taken but not written (cancelled) are left as they are.
    if (written < int(m_batch.size()))
        m_spans.clear();
    if (!m_batch.empty())
        fitBatchSize(m_writeMs);
}

QStringList RowDeletion::failures() const
{
    if (m_unread == 0)
        return m_failures;
    return m_failures
           + QStringList{QStringLiteral("%1 rows could not be read, so they were not deleted.")
                             .arg(m_unread)};
}

void RowDeletion::report(int row, const WriteResult &result)
{
    m_failures << QStringLiteral("Row %1: %2").arg(row + 1).arg(m_model.refusalText(result, {}));
    if (result.stale) {
        m_model.refreshRow(row);
        emit m_model.dataChanged(m_model.index(row, 0),
                                 m_model.index(row, m_model.columnCount() - 1));
    }
}

} // namespace db
