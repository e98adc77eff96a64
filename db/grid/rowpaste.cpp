#include "db/grid/rowpaste.h"

#include "db/grid/tablemodel.h"

namespace db {

RowPaste::RowPaste(TableModel &model, int row, int column, QList<QStringList> rows,
                   int records)
    : BatchJob(QStringLiteral("pasted")), m_model(model),
      m_connectionString(model.connectionString()), m_table(model.table()),
      m_columns(model.m_columns), m_startRow(row), m_startColumn(column),
      m_rows(std::move(rows)), m_records(std::clamp(records, 0, int(m_rows.size())))
{
    model.beginUndoStep(UndoKind::Paste);
}

RowPaste::~RowPaste()
{
    m_model.endUndoStep();
}

void RowPaste::noteForUndo(const Target &target, int row, const StoredRow &written)
{
    const std::vector<int> columns = target.write.insert
                                         ? m_model.writableColumns()
                                         : TableModel::editedColumns(target.write.edits);
    StoredRow after = written;
    if (target.undoable && !after.empty() && m_model.loadBlobContents(after, columns))
        m_model.noteWritten(UndoKind::Paste, UndoRow{target.before, std::move(after), columns, row});
}

// As the user would type them: an empty field empties the cell (NULL
// where the column allows it).
void RowPaste::typeFields(int row, const QStringList &fields)
{
    for (int i = 0; i < fields.size() && m_startColumn + i < m_model.columnCount(); ++i) {
        const QModelIndex cell = m_model.index(row, m_startColumn + i);
        if (fields[i].isEmpty())
            m_model.clearCell(cell);
        else
            m_model.setData(cell, fields[i]);
    }
}

// False while the row is still to be read.
bool RowPaste::takeRow(int index)
{
    if (index < m_records) {
        const int row = m_startRow + index;
        if (!m_model.rowSettled(row, eventsDuringWork()))
            return false;
        typeFields(row, m_rows[index]);
        if (const auto it = m_model.m_edits.find(row); it != m_model.m_edits.end()) {
            Target target{row, {false, false, StoredRowOf(m_model.storedCells(row)),
                                it->second.values}};
            target.before = target.write.original;
            target.undoable = m_model.loadBlobContents(
                target.before, TableModel::editedColumns(target.write.edits));
            m_batch.push_back(std::move(target));
        } else
            ++m_handled;   // nothing changed
        return true;
    }
    // New records pass through the new-record line one after the other.
    const int line = m_model.newRecordRow();
    typeFields(line, m_rows[index]);
    const auto it = m_model.m_edits.find(line);
    if (it == m_model.m_edits.end()) {
        ++m_handled;
        return true;
    }
    m_batch.push_back({line, {true, false, {}, std::move(it->second.values)}});
    m_model.m_edits.erase(it);
    emit m_model.dataChanged(m_model.index(line, 0), m_model.index(line, m_model.columnCount() - 1));
    emit m_model.headerDataChanged(Qt::Vertical, line, line);
    return true;
}

Job::Step RowPaste::prepare()
{
    m_batch.clear();
    m_results.clear();
    if (cancelled() || m_ended || !m_model.m_writer)
        return Step::Done;
    while (int(m_batch.size()) < m_batchSize && m_next < m_rows.size()) {
        if (!takeRow(m_next))
            return m_batch.empty() ? Step::Wait : Step::Work;
        ++m_next;
    }
    return m_batch.empty() ? Step::Done : Step::Work;
}

void RowPaste::work()
{
    QElapsedTimer timer;
    timer.start();
    m_results.clear();
    try {
        if (!m_writer) {
            m_writer = std::make_unique<RowWriter>(m_connectionString, m_table);
            m_writer->setColumns(m_columns);
        }
    } catch (const DbError &error) {
        WriteResult result;
        result.error = error.message();
        result.cause = error;
        m_results.assign(m_batch.size(), result);
        return;
    }
    std::vector<RowWrite> rows;
    rows.reserve(m_batch.size());
    for (const Target &target : m_batch)
        rows.push_back(target.write);
    if (!m_writer->writeBatch(rows, m_cancelled, m_results)) {
        // One row spoilt the batch: every row on its own, as a single write.
        m_results.clear();
        for (const RowWrite &row : rows) {
            if (cancelled())
                break;
            m_results.push_back(m_writer->write(row));
            if (!m_results.back().ok && row.insert)
                break;
        }
    }
    m_writeMs = timer.elapsed();
}

void RowPaste::apply()
{
    const int written = int(m_results.size());
    for (int i = 0; i < written; ++i) {
        if (m_batch[i].write.insert)
            applyInsert(m_batch[i], m_results[i]);
        else
            applyUpdate(m_batch[i], m_results[i]);
    }
    m_handled += written;
    // Rows taken but not written (cancelled, or after a refused new
    // record) were not pasted: their typed values go again.
    for (int i = written; i < int(m_batch.size()); ++i) {
        if (!m_batch[i].write.insert)
            m_model.revertRow(m_batch[i].row);
    }
    if (written < int(m_batch.size()))
        m_ended = true;
    if (!m_batch.empty())
        fitBatchSize(m_writeMs);
}

void RowPaste::applyUpdate(const Target &target, WriteResult &result)
{
    const int row = target.row;
    const auto it = m_model.m_edits.find(row);
    if (it == m_model.m_edits.end())
        return;
    if (result.ok) {
        m_model.m_edits.erase(it);
        if (!result.row.empty())
            m_model.storeWrittenRow(row, result.row, false);
        noteForUndo(target, row, result.row);
    } else {
        it->second.error = m_model.refusalText(result, it->second.values);
        m_failures << QStringLiteral("Row %1: %2").arg(row + 1).arg(it->second.error);
        if (result.stale)
            m_model.refreshRow(row);
    }
    emit m_model.dataChanged(m_model.index(row, 0), m_model.index(row, m_model.columnCount() - 1));
    emit m_model.headerDataChanged(Qt::Vertical, row, row);
    if (!result.ok)
        emit m_model.writeFailed(row, result.error);
}

void RowPaste::applyInsert(const Target &target, WriteResult &result)
{
    const int line = m_model.newRecordRow();
    if (result.ok) {
        m_model.storeWrittenRow(line, result.row, true);
        noteForUndo(target, line, result.row);
    } else {
        // It stays on the new-record line, to be corrected there.
        TableModel::PendingRow &pending = m_model.m_edits[line];
        pending.values = target.write.edits;
        pending.error = m_model.refusalText(result, pending.values);
        m_failures << QStringLiteral("Row %1: %2").arg(line + 1).arg(pending.error);
        m_ended = true;
    }
    emit m_model.dataChanged(m_model.index(line, 0),
                             m_model.index(line, m_model.columnCount() - 1));
    emit m_model.headerDataChanged(Qt::Vertical, line, line);
    if (!result.ok)
        emit m_model.writeFailed(line, result.error);
}

} // namespace db
