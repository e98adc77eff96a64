#include "db/grid/tablemodel.h"

#include "db/grid/undojob.h"

#include <ibase.h>

// Undo and redo of saved changes: the model records a step whenever a
// change is saved, and shows the rows as stored once a step is replayed.
namespace db {

void TableModel::beginUndoStep(UndoKind kind)
{
    if (m_stepDepth++ == 0)
        m_openStep = UndoStep{kind, {}};
}

void TableModel::endUndoStep()
{
    if (m_stepDepth == 0 || --m_stepDepth > 0)
        return;
    UndoStep step = std::move(*m_openStep);
    m_openStep.reset();
    if (step.rows.empty())
        return;
    m_history.record(std::move(step));
    emit undoChanged();
}

void TableModel::noteWritten(UndoKind kind, UndoRow row)
{
    if (m_openStep) {
        m_openStep->rows.push_back(std::move(row));
        return;
    }
    m_history.record(UndoStep{kind, {std::move(row)}});
    emit undoChanged();
}

std::unique_ptr<BatchJob> TableModel::undoJob(bool redo)
{
    if (!m_writer || m_sorting || (redo ? !m_history.canRedo() : !m_history.canUndo()))
        return nullptr;
    return std::make_unique<UndoJob>(*this, redo);
}

// What an inserted row is written with when it comes back: every column
// a new record may be given.
std::vector<int> TableModel::writableColumns() const
{
    std::vector<int> columns;
    for (int column = 0; column < visibleColumns(); ++column) {
        if (m_writer->isEditable(column) || m_writer->isWritableBlob(column))
            columns.push_back(column);
    }
    return columns;
}

std::vector<int> TableModel::editedColumns(const RowEdits &edits)
{
    std::vector<int> columns;
    for (int column = 0; column < int(edits.size()); ++column) {
        if (edits[column])
            columns.push_back(column);
    }
    return columns;
}

bool TableModel::loadBlobContents(StoredRow &row, const std::vector<int> &columns) const
{
    if (row.empty())
        return true;
    try {
        for (int column : columns) {
            if (!isBlobColumn(column) || !row[column])
                continue;
            const Column &c = m_columns[column];
            if (!isTextBlobColumn(column)) {
                row[column] = m_writer->readBlob(*row[column], CsNone);
                continue;
            }
            // In UTF-8 as the BLOB window has it (NONE that is not UTF-8 as Latin-1).
            const unsigned decodeAs = c.sqlType.charSet == CsNone ? CsNone : CsUtf8;
            row[column] = DecodeText(decodeAs, m_writer->readBlob(*row[column], c.sqlType.charSet))
                              .toUtf8();
        }
    } catch (const DbError &) {
        return false;
    }
    return true;
}

// The row shown with the key: where it was first, else searched for.
int TableModel::rowOfKey(const QByteArray &key, int hint) const
{
    if (hint >= 0 && hint < recordCount()) {
        const Source source = sourceOf(hint);
        if ((source.kind == Source::Fetched || source.kind == Source::Inserted)
            && keyOf(storedCells(hint)) == key)
            return hint;
    }
    for (int row = 0; row < m_rows.size(); ++row) {
        if (keyOf(m_rows.rowCells(row)) == key)
            return row;
    }
    const int insertedFrom = m_rows.size() + m_placeholders;
    for (int row = 0; row < m_inserted.size(); ++row) {
        if (keyOf(m_inserted.rowCells(row)) == key)
            return insertedFrom + row;
    }
    return -1;
}

namespace {

// The values a replayed row holds now, as the server returned them; BLOB
// contents written stay contents.
void AdoptStored(StoredRow &to, const StoredRow &stored, const UndoRow &row,
                 const std::vector<Column> &columns)
{
    if (stored.size() != to.size())
        return;
    for (int i = 0; i < int(to.size()); ++i) {
        const bool contents = columns[i].sqlType.type == SQL_BLOB
                              && std::find(row.columns.begin(), row.columns.end(), i)
                                     != row.columns.end();
        if (!contents)
            to[i] = stored[i];
    }
}

} // namespace

void TableModel::applyReplay(UndoStep step, bool redo, const std::vector<int> &order,
                             const std::vector<WriteResult> &results)
{
    for (int k = 0; k < int(order.size()) && k < int(results.size()); ++k) {
        UndoRow &row = step.rows[order[k]];
        const StoredRow &from = redo ? row.before : row.after;
        StoredRow &to = redo ? row.after : row.before;
        const WriteResult &result = results[k];
        if (to.empty()) {
            if (const int at = rowOfKey(keyOf(CellsOf(from)), row.rowHint); at >= 0)
                removeRowRange(at, at);
            continue;
        }
        if (from.empty()) {
            if (hasNewRecordLine() && !result.row.empty()) {
                row.rowHint = newRecordRow();
                storeWrittenRow(row.rowHint, result.row, true);
            }
        } else if (const int at = rowOfKey(keyOf(CellsOf(from)), row.rowHint); at >= 0) {
            row.rowHint = at;
            if (!result.row.empty())
                storeWrittenRow(at, result.row, false);
            emit dataChanged(index(at, 0), index(at, columnCount() - 1));
        }
        AdoptStored(to, result.row, row, m_columns);
    }
    if (redo)
        m_history.redone(std::move(step));
    else
        m_history.undone(std::move(step));
    emit undoChanged();
}

} // namespace db
