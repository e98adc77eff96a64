#include "db/grid/rowwriter.h"

#include "db/sql/sqltext.h"

namespace db {

namespace {

const QString DbKey = QStringLiteral("RDB$DB_KEY");

WriteResult failure(const QString &message)
{
    WriteResult result;
    result.error = message;
    return result;
}

WriteResult failure(const DbError &error)
{
    WriteResult result = failure(error.message());
    result.cause = error;
    return result;
}

} // namespace

// The parameters of the edited columns, in column order; the first value
// that cannot be sent ends it with its message.
QString RowWriter::editParams(const RowEdits &edits, Transaction &tx, std::vector<int> &columns,
                              std::vector<Param> &params)
{
    for (int i = 0; i < int(edits.size()); ++i) {
        if (!edits[i])
            continue;
        QString error;
        std::optional<Param> param = editParam(i, *edits[i], tx, &error);
        if (!param)
            return error;
        columns.push_back(i);
        params.push_back(*param);
    }
    return {};
}

WriteResult RowWriter::update(const std::vector<Cell> &original, const RowEdits &edits)
{
    try {
        Transaction tx = attachment().begin(TxMode::Write);
        return committed(tx, updateIn(tx, original, edits));
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
}

WriteResult RowWriter::insert(const RowEdits &edits)
{
    try {
        Transaction tx = attachment().begin(TxMode::Write);
        return committed(tx, insertIn(tx, edits));
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
}

WriteResult RowWriter::updateIn(Transaction &tx, const std::vector<Cell> &original,
                                const RowEdits &edits)
{
    if (!m_canWrite)
        return failure(QStringLiteral("This %1 has no key that names a single row, so its "
                                      "rows cannot be changed here.").arg(m_schema.objectWord()));
    try {
        std::vector<int> changed;
        std::vector<Param> params;
        if (QString error = editParams(edits, tx, changed, params); !error.isEmpty())
            return failure(error);
        if (changed.empty())
            return {true, {}, {}};
        for (Param &key : keyParams(original))
            params.push_back(std::move(key));
        const QStringList guard = guardColumns(edits, original);
        for (int i = 0; i < visibleColumnCount(); ++i) {
            if (guard.contains(m_columns[i].field))
                params.push_back(CellParam(m_columns[i], StoredCell(m_columns[i], original[i])));
        }
        const QStringList keys = m_schema.keyless() ? QStringList{DbKey} : m_schema.keyColumns;
        const QString sql = sql::UpdateRowReturning(m_schema.table, fieldNames(changed), keys,
                                                    guard, returningColumns(), castReturned());
        return execute(sql, params, tx, true);
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
}

WriteResult RowWriter::insertIn(Transaction &tx, const RowEdits &edits)
{
    if (!m_canWrite)
        return failure(
            QStringLiteral("Rows cannot be added to this %1 here.").arg(m_schema.objectWord()));
    try {
        // NULL typed into an identity column of a new record means "number
        // it": the column is left out, so the database numbers it, rather
        // than sending a NULL that it refuses.
        RowEdits sent = edits;
        for (int i = 0; i < int(sent.size()) && i < visibleColumnCount(); ++i) {
            if (sent[i] && sent[i]->null && m_schema.traits.value(m_columns[i].field).identity)
                sent[i].reset();
        }
        std::vector<int> columns;
        std::vector<Param> params;
        if (QString error = editParams(sent, tx, columns, params); !error.isEmpty())
            return failure(error);
        const QString sql = sql::InsertRow(m_schema.table, fieldNames(columns),
                                           returningColumns(), castReturned());
        return execute(sql, params, tx, true);
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
}

// One write on its own: kept when it went, rolled back when not.
WriteResult RowWriter::committed(Transaction &tx, WriteResult result)
{
    if (!result.ok) {
        tx.rollback();
        return result;
    }
    try {
        tx.commit();
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
    return result;
}

bool RowWriter::writeBatch(const std::vector<RowWrite> &rows, const std::atomic<bool> &cancelled,
                           std::vector<WriteResult> &results)
{
    results.clear();
    try {
        Transaction tx = attachment().begin(TxMode::Write);
        for (const RowWrite &row : rows) {
            if (cancelled)
                break;
            WriteResult result = row.insert ? insertIn(tx, row.edits)
                                            : updateIn(tx, CellsOf(row.original), row.edits);
            if (!result.ok) {
                results.clear();
                return false;   // the transaction rolls back as it goes
            }
            results.push_back(std::move(result));
        }
        tx.commit();
        return true;
    } catch (const DbError &error) {
        noteFailure(error);
        results.clear();
        return false;
    }
}

WriteResult RowWriter::write(const RowWrite &row)
{
    return row.insert ? insert(row.edits) : update(CellsOf(row.original), row.edits);
}

std::vector<Cell> CellsOf(const StoredRow &row)
{
    std::vector<Cell> cells;
    cells.reserve(row.size());
    for (const auto &value : row)
        cells.push_back(value ? Cell{false, QByteArrayView(*value)} : Cell{});
    return cells;
}

StoredRow StoredRowOf(const std::vector<Cell> &cells)
{
    StoredRow row;
    row.reserve(cells.size());
    for (const Cell &cell : cells)
        row.push_back(cell.null ? std::nullopt : std::optional<QByteArray>(cell.bytes.toByteArray()));
    return row;
}

WriteResult RowWriter::remove(const std::vector<Cell> &original)
{
    if (!m_canWrite)
        return failure(QStringLiteral("This %1 has no key that names a single row, so its "
                                      "rows cannot be deleted here.").arg(m_schema.objectWord()));
    try {
        WriteResult result = removeOn(attachment(), deleteOf(original));
        if (result.cause)
            noteFailure(*result.cause);
        return result;
    } catch (const DbError &error) {
        return failure(noteFailure(error));
    }
}

RowDelete RowWriter::deleteOf(const std::vector<Cell> &original) const
{
    if (!m_canWrite)
        return {};
    RowDelete row{{}, keyParams(original)};
    const QStringList guard = guardColumns({}, original);
    for (int i = 0; i < visibleColumnCount(); ++i) {
        if (guard.contains(m_columns[i].field))
            row.params.push_back(CellParam(m_columns[i], StoredCell(m_columns[i], original[i])));
    }
    const QStringList keys = m_schema.keyless() ? QStringList{DbKey} : m_schema.keyColumns;
    row.sql = sql::DeleteRow(m_schema.table, keys, guard);
    return row;
}

std::optional<StoredRow> RowWriter::reread(const std::vector<Cell> &original)
{
    if (!m_canWrite || m_schema.keyless())
        return std::nullopt;
    try {
        Transaction tx = attachment().begin(TxMode::Browse);
        Statement statement(tx, sql::SelectRowByKey(m_schema.table, returningColumns(),
                                                    m_schema.keyColumns));
        Cursor cursor = statement.openCursor(tx, keyParams(original));
        const unsigned char *row = cursor.fetch();
        if (!row)
            return std::nullopt;
        return storedRow(statement, row);
    } catch (const DbError &error) {
        noteFailure(error);
        return std::nullopt;
    }
}

std::vector<Column> RowWriter::describe(const QString &sql)
{
    try {
        Transaction tx = attachment().begin(TxMode::Browse);
        std::vector<Column> columns = Statement(tx, sql).columns();
        MarkTextBound(m_schema, columns);
        return columns;
    } catch (const DbError &error) {
        throw noteFailure(error);
    }
}

QByteArray RowWriter::readBlob(QByteArrayView id, unsigned charSet)
{
    try {
        Transaction tx = attachment().begin(TxMode::Browse);
        return db::readBlob(tx, id.toByteArray(), charSet);
    } catch (const DbError &error) {
        throw noteFailure(error);
    }
}

qint64 RowWriter::blobSize(QByteArrayView id)
{
    try {
        Transaction tx = attachment().begin(TxMode::Browse);
        return db::blobLength(tx, id.toByteArray());
    } catch (const DbError &error) {
        throw noteFailure(error);
    }
}

} // namespace db
