#include "db/grid/tablemodel.h"

#include <ibase.h>

#include <QTimer>

#include <utility>

namespace db {

namespace {

constexpr int FirstScreenRows = 256;
// The row header keeps bookkeeping for every row: ten million placeholders
// inserted at once would hold the window for half a second, so they go in
// by slices, one per turn of the event loop (each with its repaint).
constexpr int PlaceholderSlice = 131072;
const QString DbKey = QStringLiteral("RDB$DB_KEY");

} // namespace

void TableModel::startReader(const sql::TableRead &read)
{
    auto reader = std::make_unique<TableReader>(m_connectionString, read);
    TableReader *sender = reader.get();
    connect(sender, &TableReader::rowsFetched, this,
            [this, sender](const std::shared_ptr<RowBatch> &batch, bool atEnd) {
                if (sender == m_sortReader.get())
                    adoptSortedRows(batch, atEnd);
                else
                    onRowsFetched(batch, atEnd);
            });
    // A count belongs to its read: a filtered read counts other rows.
    connect(sender, &TableReader::counted, this, [this, sender](qint64 rows) {
        if (sender == m_sortReader.get()) {
            m_nextCount = rows;
        } else if (sender == m_reader.get()) {
            m_count = rows;
            resizeForCount();
            emit countChanged();
        }
    });
    connect(sender, &TableReader::failed, this, [this, sender](const QString &message) {
        // A sort that cannot be read leaves the rows as they are; the reader
        // is inside its own signal here, so it goes later.
        if (sender == m_sortReader.get()) {
            m_sortReader.release()->deleteLater();
            m_nextCount = -1;
            m_carried.clear();
            m_carriedNewRecord.reset();
            m_wantedKey.clear();
            m_sorting = false;
            emit busyChanged(false);
        }
        emit readFailed(message);
    });
    reader->requestRows(FirstScreenRows);
    reader->start();
    if (m_sorting) {
        m_sortReader = std::move(reader);
    } else {
        m_reader = std::move(reader);
        m_requested = FirstScreenRows;
    }
}

// Rows counted but not fetched yet are placeholders, so the scroll bar is
// true from the start; fetching turns them into rows. The count is known
// once the last slice of them is in.
void TableModel::resizeForCount()
{
    m_placeholdersDue = false;
    if (m_atEnd || m_count < 0)
        return;
    const int wanted = int(std::max<qint64>(0, m_count - m_rows.size()));
    if (wanted > m_placeholders) {
        const int first = m_rows.size() + m_placeholders;
        const int extra = std::min(wanted - m_placeholders, PlaceholderSlice);
        beginInsertRows({}, first, first + extra - 1);
        shiftEdits(first, extra);
        m_placeholders += extra;
        endInsertRows();
    }
    if (wanted <= m_placeholders)
        return;
    m_placeholdersDue = true;
    if (std::exchange(m_placeholderSliceQueued, true))
        return;
    // A timer, not a queued call: queued calls run on in one pass of the
    // event loop with the repaints they cause, and hold it as long as before.
    QTimer::singleShot(1, this, [this] {
        m_placeholderSliceQueued = false;
        if (!m_placeholdersDue)
            return;   // the read ended or was replaced meanwhile
        resizeForCount();
        if (!m_placeholdersDue)
            emit countChanged();
    });
}

void TableModel::onRowsFetched(const std::shared_ptr<RowBatch> &batch, bool atEnd)
{
    const int fetched = m_rows.size();
    const int placeholders = m_placeholders;
    const int n = batch->size();
    const bool first = fetched == 0;
    if (n > placeholders) {
        const int at = fetched + placeholders;
        beginInsertRows({}, at, at + n - placeholders - 1);
        shiftEdits(at, n - placeholders);
        m_rows.appendBatch(std::move(*batch));
        m_placeholders = 0;
        endInsertRows();
    } else {
        m_rows.appendBatch(std::move(*batch));
        m_placeholders = placeholders - n;
    }
    const int changed = std::min(n, placeholders);
    if (changed > 0)
        emit dataChanged(index(fetched, 0), index(fetched + changed - 1, columnCount() - 1));
    if (!m_insertedKeys.empty())
        dropInsertedDuplicates(fetched);
    if (const int found = restoreCarried(fetched, true); found >= 0)
        emit rowFound(found);
    if (atEnd) {
        m_atEnd = true;
        m_placeholdersDue = false;
        if (m_placeholders > 0) {
            const int at = m_rows.size();
            beginRemoveRows({}, at, at + m_placeholders - 1);
            shiftEdits(at + m_placeholders, -m_placeholders);
            m_placeholders = 0;
            endRemoveRows();
        }
        m_insertedKeys.clear();
        dropCarried();
        emit countChanged();
    }
    if (first)
        emit firstRowsArrived();
}

// A row inserted here while the read went on may come back from the read
// too: it is shown once, where it was inserted.
void TableModel::dropInsertedDuplicates(int from)
{
    for (int row = m_rows.size() - 1; row >= from && !m_insertedKeys.empty(); --row) {
        const auto it = m_insertedKeys.find(keyOf(m_rows.rowCells(row)));
        if (it == m_insertedKeys.end())
            continue;
        m_insertedKeys.erase(it);
        beginRemoveRows({}, row, row);
        m_edits.erase(row);
        shiftEdits(row + 1, -1);
        m_rows.removeRow(row);
        endRemoveRows();
    }
}

QByteArray TableModel::keyOf(const std::vector<Cell> &cells) const
{
    QByteArray key;
    for (int i : m_writer->keyIndexes()) {
        const Cell &cell = cells[i];
        key += cell.null ? QByteArray(1, '\0') : QByteArray(1, '\1') + cell.bytes.toByteArray();
        key += QByteArray::number(cell.bytes.size()) + ';';
    }
    return key;
}

void TableModel::shiftEdits(int from, int delta)
{
    if (delta == 0)
        return;
    std::map<int, PendingRow> shifted;
    for (auto &[row, pending] : m_edits)
        shifted.emplace(row >= from ? row + delta : row, std::move(pending));
    m_edits = std::move(shifted);
}

void TableModel::sort(int column, Qt::SortOrder order)
{
    if (!m_writer || column < 0 || column >= visibleColumns())
        return;
    // The server refuses to order by either; say so before asking it.
    const unsigned type = m_columns[column].sqlType.type;
    if (type == SQL_BLOB || type == SQL_ARRAY) {
        emit notice(QStringLiteral("BLOB and ARRAY columns cannot be sorted."));
        return;
    }
    if (!submitAll()) {
        emit notice(QStringLiteral("Save or revert the unsaved rows before sorting."));
        return;
    }
    sql::TableRead read = m_read;
    read.orderBy = QStringList{m_columns[column].field};
    for (const QString &key : m_writer->schema().keyless()
                                  ? QStringList{DbKey} : m_writer->schema().keyColumns) {
        if (key != read.orderBy.first())
            read.orderBy << key;
    }
    read.descending = order == Qt::DescendingOrder;
    m_sortRead = read;
    m_nextFilterText = m_filterText;
    m_sorting = true;
    emit busyChanged(true);
    startReader(read);
}

// The first rows in the new order replace the old rows in one go; until
// then the grid keeps showing (and reading) the old order.
void TableModel::adoptSortedRows(const std::shared_ptr<RowBatch> &batch, bool atEnd)
{
    beginResetModel();
    m_reader = std::move(m_sortReader);
    m_read = m_sortRead;
    m_requested = FirstScreenRows;
    m_rows.clear();
    m_inserted.clear();
    m_insertedKeys.clear();
    m_edits.clear();
    m_rows.appendBatch(std::move(*batch));
    m_placeholders = 0;
    m_atEnd = atEnd;
    m_count = m_nextCount;
    m_nextCount = -1;
    m_filterText = m_nextFilterText;
    m_sorting = false;
    if (m_carriedNewRecord && hasNewRecordLine())
        m_edits[newRecordRow()] = *std::exchange(m_carriedNewRecord, std::nullopt);
    const int found = restoreCarried(0, false);   // the reset shows them
    endResetModel();
    resizeForCount();
    if (atEnd)
        dropCarried();
    emit countChanged();
    emit busyChanged(false);
    if (found >= 0)
        emit rowFound(found);
}

int TableModel::restoreCarried(int from, bool announce)
{
    int found = -1;
    for (int row = from; row < m_rows.size() && (!m_carried.empty() || !m_wantedKey.isEmpty());
         ++row) {
        const QByteArray key = keyOf(m_rows.rowCells(row));
        if (const auto it = m_carried.find(key); it != m_carried.end()) {
            m_edits[row] = std::move(it->second);
            m_carried.erase(it);
            if (announce) {
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
                emit headerDataChanged(Qt::Vertical, row, row);
            }
        }
        if (key == m_wantedKey) {
            found = row;
            m_wantedKey.clear();
        }
    }
    return found;
}

// The read is over: unsaved rows that did not come back are gone from the
// table (deleted elsewhere, or no longer matching the filter).
void TableModel::dropCarried()
{
    m_wantedKey.clear();
    m_carriedNewRecord.reset();
    if (m_carried.empty())
        return;
    const auto lost = m_carried.size();
    m_carried.clear();
    emit notice(QStringLiteral("%1 unsaved row(s) are no longer in the %2 as read again; "
                               "their changes were dropped.")
                    .arg(lost)
                    .arg(m_writer->schema().objectWord()));
}

void TableModel::refresh(int keepRow)
{
    if (!m_writer || m_sorting)
        return;
    m_carried.clear();
    m_carriedNewRecord.reset();
    m_wantedKey.clear();
    for (const auto &[row, pending] : m_edits) {
        const Source source = sourceOf(row);
        if (source.kind == Source::NewRecord)
            m_carriedNewRecord = pending;
        else if (source.kind != Source::Placeholder)
            m_carried[keyOf(storedCells(row))] = pending;
    }
    if (keepRow >= 0 && keepRow < rowCount()) {
        const Source source = sourceOf(keepRow);
        if (source.kind == Source::Fetched || source.kind == Source::Inserted)
            m_wantedKey = keyOf(storedCells(keepRow));
    }
    m_sortRead = m_read;
    m_nextFilterText = m_filterText;
    m_sorting = true;
    emit busyChanged(true);
    startReader(m_read);
    // Far enough that the row the cursor was on is read with the first rows;
    // unsaved rows may be anywhere, and their changes must not wait unseen
    // for a scroll that never comes.
    if (m_carried.empty())
        m_sortReader->requestRows(std::max(keepRow, 0) + FirstScreenRows);
    else
        m_sortReader->requestAll();
}

} // namespace db
