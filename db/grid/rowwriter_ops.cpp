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
    if (!m_canWrite)
        return failure(QStringLiteral("This %1 has no key that names a single row, so its "
                                      "rows cannot be changed here.").arg(m_schema.objectWord()));
    try {
        Transaction tx = m_attachment.begin(TxMode::Write);
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
                                                    guard, returningColumns());
        return run(sql, params, tx, true);
    } catch (const DbError &error) {
        return failure(error);
    }
}

WriteResult RowWriter::insert(const RowEdits &edits)
{
    if (!m_canWrite)
        return failure(
            QStringLiteral("Rows cannot be added to this %1 here.").arg(m_schema.objectWord()));
    try {
        Transaction tx = m_attachment.begin(TxMode::Write);
        std::vector<int> columns;
        std::vector<Param> params;
        if (QString error = editParams(edits, tx, columns, params); !error.isEmpty())
            return failure(error);
        const QString sql = sql::InsertRow(m_schema.table, fieldNames(columns),
                                           returningColumns());
        return run(sql, params, tx, true);
    } catch (const DbError &error) {
        return failure(error);
    }
}

WriteResult RowWriter::remove(const std::vector<Cell> &original)
{
    if (!m_canWrite)
        return failure(QStringLiteral("This %1 has no key that names a single row, so its "
                                      "rows cannot be deleted here.").arg(m_schema.objectWord()));
    try {
        Transaction tx = m_attachment.begin(TxMode::Write);
        std::vector<Param> params = keyParams(original);
        const QStringList guard = guardColumns({}, original);
        for (int i = 0; i < visibleColumnCount(); ++i) {
            if (guard.contains(m_columns[i].field))
                params.push_back(CellParam(m_columns[i], StoredCell(m_columns[i], original[i])));
        }
        const QStringList keys = m_schema.keyless() ? QStringList{DbKey} : m_schema.keyColumns;
        return run(sql::DeleteRow(m_schema.table, keys, guard), params, tx, false);
    } catch (const DbError &error) {
        return failure(error);
    }
}

std::optional<StoredRow> RowWriter::reread(const std::vector<Cell> &original)
{
    if (!m_canWrite || m_schema.keyless())
        return std::nullopt;
    try {
        Transaction tx = m_attachment.begin(TxMode::Browse);
        Statement statement(tx, sql::SelectRowByKey(m_schema.table, returningColumns(),
                                                    m_schema.keyColumns));
        Cursor cursor = statement.openCursor(tx, keyParams(original));
        const unsigned char *row = cursor.fetch();
        if (!row)
            return std::nullopt;
        return storedRow(statement, row);
    } catch (const DbError &) {
        return std::nullopt;
    }
}

std::vector<Column> RowWriter::describe(const QString &sql)
{
    Transaction tx = m_attachment.begin(TxMode::Browse);
    return Statement(tx, sql).columns();
}

QByteArray RowWriter::readBlob(QByteArrayView id, unsigned charSet, qint64 maxBytes)
{
    Transaction tx = m_attachment.begin(TxMode::Browse);
    return db::readBlob(tx, id.toByteArray(), charSet, maxBytes);
}

qint64 RowWriter::blobSize(QByteArrayView id)
{
    Transaction tx = m_attachment.begin(TxMode::Browse);
    return db::blobLength(tx, id.toByteArray());
}

} // namespace db
