#include "db/grid/tablemodel.h"

#include "db/grid/rowdeletion.h"
#include "db/grid/rowpaste.h"

#include <ibase.h>

#include <algorithm>

namespace db {

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // While a sort is read, the rows shown are about to be replaced.
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEditable) || m_sorting)
        return false;
    QString text;
    if (role == Qt::CheckStateRole)
        text = value.toInt() == Qt::Checked ? QStringLiteral("true") : QStringLiteral("false");
    else if (role == Qt::EditRole)
        text = value.toString();
    else
        return false;
    const bool wasNull = data(index, IsNullRole).toBool();
    const QString current = data(index, Qt::EditRole).toString();
    // The same text again is no edit; on a NULL cell any text, even an
    // empty one, is (the view commits only what the user typed).
    if (role == Qt::EditRole && text == current && !wasNull)
        return false;
    PendingRow &pending = m_edits[index.row()];
    pending.values.resize(visibleColumns());
    pending.values[index.column()].emplace().text = text;
    pending.kind = UndoKind::Edit;
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
    return true;
}

bool TableModel::setNull(const QModelIndex &index)
{
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEditable) || m_sorting)
        return false;
    if (data(index, IsNullRole).toBool())
        return false;
    // A row only set to NULL is undone as "Set to NULL".
    const bool fresh = m_edits.count(index.row()) == 0;
    PendingRow &pending = m_edits[index.row()];
    if (fresh)
        pending.kind = UndoKind::SetNull;
    pending.values.resize(visibleColumns());
    pending.values[index.column()] = CellEdit{true, {}};
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
    return true;
}

bool TableModel::clearCell(const QModelIndex &index)
{
    if (!index.isValid() || index.column() >= visibleColumns())
        return false;
    const Column &c = m_columns[index.column()];
    if (c.nullable)
        return setNull(index);
    const bool text = IsCharacterColumn(c) || (c.sqlType.type == SQL_BLOB && IsEditableType(c));
    return text && setData(index, QString(), Qt::EditRole);
}

bool TableModel::revertCell(const QModelIndex &index)
{
    const auto it = m_edits.find(index.row());
    if (it == m_edits.end() || index.column() >= int(it->second.values.size())
        || !it->second.values[index.column()])
        return false;
    it->second.values[index.column()].reset();
    const bool rowLeftUnchanged = std::none_of(it->second.values.begin(), it->second.values.end(),
                                               [](const auto &value) { return value.has_value(); });
    if (rowLeftUnchanged)
        m_edits.erase(it);
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
    return true;
}

bool TableModel::submitRow(int row)
{
    const auto it = m_edits.find(row);
    if (it == m_edits.end() || !m_writer)
        return true;
    const bool inserting = sourceOf(row).kind == Source::NewRecord;
    // What undo needs, taken before the write replaces it.
    const std::vector<int> written = inserting ? writableColumns()
                                               : editedColumns(it->second.values);
    StoredRow before = inserting ? StoredRow() : StoredRowOf(storedCells(row));
    bool undoable = loadBlobContents(before, written);
    const WriteResult result = inserting ? m_writer->insert(it->second.values)
                                         : m_writer->update(storedCells(row), it->second.values);
    if (!result.ok) {
        it->second.error = refusalText(result, it->second.values);
        if (result.stale && !inserting)
            refreshRow(row);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
        emit writeFailed(row, result.error);
        return false;
    }
    const UndoKind kind = inserting ? UndoKind::Insert : it->second.kind;
    m_edits.erase(it);
    if (!result.row.empty())
        storeWrittenRow(row, result.row, inserting);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    StoredRow after = result.row;
    undoable = undoable && !after.empty() && loadBlobContents(after, written);
    if (undoable)
        noteWritten(kind, UndoRow{std::move(before), std::move(after), written, row});
    return true;
}

QString TableModel::refusalText(const WriteResult &result, const RowEdits &edits) const
{
    if (!result.cause || !m_wording)
        return result.error;
    std::vector<RefusedCell> cells;
    for (int i = 0; i < int(edits.size()); ++i) {
        if (edits[i] && !edits[i]->null) {
            const Column &c = m_columns[i];
            cells.push_back({c.name, c.sourceCharSet, c.charLength, edits[i]->text});
        }
    }
    return m_wording(*result.cause, cells);
}

bool TableModel::submitAll()
{
    std::vector<int> rows;
    for (const auto &entry : m_edits)
        rows.push_back(entry.first);
    bool ok = true;
    // Inserting moves the new-record line, so go from the bottom up.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        ok = submitRow(*it) && ok;
    // Changes of a refresh still waiting for their row cannot be written yet.
    return ok && m_carried.empty();
}

void TableModel::revertRow(int row)
{
    if (m_edits.erase(row) == 0)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

void TableModel::revertAll()
{
    while (!m_edits.empty())
        revertRow(m_edits.rbegin()->first);
}

// The server's values of the written row (identity, defaults, triggers)
// replace what was shown; an inserted row gets a new line of its own.
void TableModel::storeWrittenRow(int row, const StoredRow &written, bool inserted)
{
    std::vector<Cell> cells;
    cells.reserve(written.size());
    for (const auto &value : written)
        cells.push_back(value ? Cell{false, QByteArrayView(*value)} : Cell{});
    if (!inserted) {
        const Source source = sourceOf(row);
        RowStore &store = source.kind == Source::Fetched ? m_rows : m_inserted;
        // A row inserted here is still looked for in the read by its key,
        // which an edit of the primary key changes.
        const bool awaited = source.kind == Source::Inserted
                             && m_insertedKeys.erase(keyOf(store.rowCells(source.index))) > 0;
        store.replaceRow(source.index, cells);
        if (awaited)
            m_insertedKeys.insert(keyOf(cells));
        return;
    }
    beginInsertRows({}, row + 1, row + 1);
    if (m_atEnd && m_inserted.size() == 0) {
        m_rows.insertRow(m_rows.size(), cells);
    } else {
        m_inserted.insertRow(m_inserted.size(), cells);
        if (!m_atEnd)
            m_insertedKeys.insert(keyOf(cells));
    }
    endInsertRows();
}

// A guarded write found the row changed elsewhere: show it as it is now
// (typed values stay on top), so the user sees what changed and a second,
// deliberate save or delete can succeed.
void TableModel::refreshRow(int row)
{
    if (std::optional<StoredRow> current = m_writer->reread(storedCells(row)))
        storeWrittenRow(row, *current, false);
}

QStringList TableModel::deleteRows(const QList<int> &rows)
{
    std::vector<RowSpan> spans;
    for (int row : rows)
        spans.push_back({row, row});
    const std::unique_ptr<BatchJob> job = deleteJob(std::move(spans));
    RunJobHere(*job);
    return job->failures();
}

std::unique_ptr<BatchJob> TableModel::deleteJob(std::vector<RowSpan> rows)
{
    return std::make_unique<RowDeletion>(*this, std::move(rows));
}

std::unique_ptr<BatchJob> TableModel::pasteJob(int row, int column, QList<QStringList> rows,
                                               int records)
{
    return std::make_unique<RowPaste>(*this, row, column, std::move(rows), records);
}

// A row not read yet is asked for. Rows inserted here move when rows
// arrive from the read, so with events going on they wait for its end.
bool TableModel::rowSettled(int row, bool eventsBetween)
{
    if (m_atEnd || row < m_rows.size())
        return true;
    if (row < m_rows.size() + m_placeholders) {
        requestRow(row);
        return false;
    }
    if (sourceOf(row).kind == Source::Inserted && !eventsBetween)
        return true;
    fetchAll();
    return false;
}

void TableModel::removeRowRange(int first, int last)
{
    const int fetched = m_rows.size();
    const int insertedFrom = fetched + m_placeholders;
    // Their keys are free now: a row that takes one later is another row.
    for (int row = std::max(first, insertedFrom); row <= last; ++row)
        m_insertedKeys.erase(keyOf(m_inserted.rowCells(row - insertedFrom)));
    beginRemoveRows({}, first, last);
    m_edits.erase(m_edits.lower_bound(first), m_edits.upper_bound(last));
    shiftEdits(last + 1, first - last - 1);
    if (last >= insertedFrom) {
        const int from = std::max(first, insertedFrom);
        m_inserted.removeRows(from - insertedFrom, last - from + 1);
    }
    if (first < fetched)
        m_rows.removeRows(first, std::min(last, fetched - 1) - first + 1);
    endRemoveRows();
}

} // namespace db
