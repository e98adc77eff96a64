#include "db/grid/rowwriter.h"

#include "db/sql/sqltext.h"

#include <ibase.h>

#include <cmath>
#include <map>
#include <cstring>

namespace db {

namespace {

const QString DbKey = QStringLiteral("RDB$DB_KEY");
constexpr qsizetype LargestTextParam = 32765;

bool isBlob(const Column &column)
{
    return column.sqlType.type == SQL_BLOB;
}

bool isNan(const Column &column, const Cell &cell)
{
    if (cell.null)
        return false;
    if (column.sqlType.type == SQL_FLOAT && cell.bytes.size() == sizeof(float)) {
        float value;
        std::memcpy(&value, cell.bytes.data(), sizeof value);
        return std::isnan(value);
    }
    if (column.sqlType.type == SQL_DOUBLE && cell.bytes.size() == sizeof(double)) {
        double value;
        std::memcpy(&value, cell.bytes.data(), sizeof value);
        return std::isnan(value);
    }
    return false;
}

QString notOneRowMessage(unsigned affected)
{
    if (affected == 0)
        return QStringLiteral(
            "The row was changed or deleted by another user since it was read, so it was "
            "not saved. Your values are kept: correct them, or press Esc to discard them.");
    return QStringLiteral("The change would have affected %1 rows, so nothing was saved.")
        .arg(affected);
}

} // namespace

RowWriter::RowWriter(const QString &connectionString, const QString &table)
    : m_connectionString(connectionString)
    , m_attachment(Attachment::open(connectionString))
{
    Transaction tx = m_attachment.begin(TxMode::Browse);
    m_schema = LoadTableSchema(tx, table);
    tx.commit();
}

void RowWriter::setColumns(const std::vector<Column> &columns)
{
    m_columns = columns;
    m_keyIndexes.clear();
    if (m_schema.keyless()) {
        // A join view's key is 16 bytes and names no single row.
        m_canWrite = !columns.empty() && columns.back().sqlType.length == 8;
        if (!columns.empty())
            m_keyIndexes.push_back(int(columns.size()) - 1);
        return;
    }
    for (const QString &key : m_schema.keyColumns) {
        for (int i = 0; i < int(columns.size()); ++i) {
            if (columns[i].field == key)
                m_keyIndexes.push_back(i);
        }
    }
    m_canWrite = m_keyIndexes.size() == size_t(m_schema.keyColumns.size());
}

int RowWriter::visibleColumnCount() const
{
    const int count = int(m_columns.size());
    return m_schema.keyless() && count > 0 ? count - 1 : count;
}

bool RowWriter::isEditable(int column) const
{
    if (!m_canWrite || column < 0 || column >= visibleColumnCount())
        return false;
    const Column &c = m_columns[column];
    return IsEditableType(c) && !m_schema.traits.value(c.field).computed;
}

bool RowWriter::isWritableBlob(int column) const
{
    return m_canWrite && column >= 0 && column < visibleColumnCount()
           && isBlob(m_columns[column]) && !m_schema.traits.value(m_columns[column].field).computed;
}

std::optional<Param> RowWriter::editParam(int column, const CellEdit &edit, Transaction &tx,
                                          QString *error)
{
    const Column &c = m_columns[column];
    if (edit.null)
        return Param::nullOf(c.sqlType);
    if (edit.bytes && isBlob(c))
        return Param::native(c.sqlType, writeBlob(tx, *edit.bytes));
    if (isBlob(c)) {
        const QByteArray utf8 = edit.text.toUtf8();
        if (utf8.size() > LargestTextParam) {
            // Too long for a text parameter: a blob of UTF-8 text, which the
            // engine transliterates into the column's charset (or refuses).
            SqlType type = c.sqlType;
            if (type.charSet != CsNone)
                type.charSet = CsUtf8;
            return Param::native(type, writeBlob(tx, utf8));
        }
    }
    const ParsedCell parsed = ParseCellText(c, edit.text);
    if (!parsed.ok) {
        *error = c.name + QStringLiteral(": ") + parsed.error;
        return std::nullopt;
    }
    return CellParam(c, parsed);
}

std::vector<Param> RowWriter::keyParams(const std::vector<Cell> &original) const
{
    std::vector<Param> params;
    for (int i : m_keyIndexes)
        params.push_back(CellParam(m_columns[i], StoredCell(m_columns[i], original[i])));
    return params;
}

// Keyed rows guard the changed columns; keyless rows (or deletes, given no
// edits) guard every comparable column, because RDB$DB_KEY gets reused.
// NaN equals nothing, not even itself, so it cannot guard anything.
QStringList RowWriter::guardColumns(const RowEdits &edits,
                                    const std::vector<Cell> &original) const
{
    QStringList guard;
    for (int i = 0; i < visibleColumnCount(); ++i) {
        const Column &c = m_columns[i];
        const bool changed = i < int(edits.size()) && edits[i].has_value();
        const bool wanted = (m_schema.keyless() || edits.empty()) ? true : changed;
        if (wanted && !isBlob(c) && !m_schema.traits.value(c.field).computed
            && !isNan(c, original[i]))
            guard << c.field;
    }
    return guard;
}

QStringList RowWriter::fieldNames(const std::vector<int> &indexes) const
{
    QStringList names;
    for (int i : indexes)
        names << m_columns[i].field;
    return names;
}

QStringList RowWriter::returningColumns() const
{
    QStringList names;
    for (int i = 0; i < visibleColumnCount(); ++i)
        names << m_columns[i].field;
    if (m_schema.keyless())
        names << DbKey;
    return names;
}

QStringList RowWriter::castReturned() const
{
    QStringList names;
    for (int i = 0; i < visibleColumnCount(); ++i) {
        if (m_columns[i].bound == TextBound::TimestampTz)
            names << m_columns[i].field;
    }
    return names;
}

StoredRow RowWriter::storedRow(const Statement &statement, const unsigned char *message) const
{
    StoredRow row;
    for (const Column &c : statement.columns()) {
        if (isNull(c, message))
            row.push_back(std::nullopt);
        else
            row.push_back(valueBytes(c, message));
    }
    return row;
}

WriteResult RowWriter::execute(const QString &sql, const std::vector<Param> &params,
                               Transaction &tx, bool returnsRow)
{
    WriteResult result;
    try {
        Statement statement(tx, sql);
        const unsigned affected = statement.execute(tx, params);
        if (affected != 1) {
            result.error = notOneRowMessage(affected);
            result.stale = affected == 0;
            return result;
        }
        if (returnsRow)
            result.row = storedRow(statement, statement.row());
        result.ok = true;
    } catch (const DbError &error) {
        result.error = error.message();
        result.cause = noteFailure(error);
    }
    return result;
}

Attachment &RowWriter::attachment()
{
    if (m_lost) {
        // Detaching a lost attachment fails at once; the error is dropped.
        m_attachment.close();
        m_attachment = Attachment::open(m_connectionString);
        m_lost = false;
    }
    return m_attachment;
}

const DbError &RowWriter::noteFailure(const DbError &error)
{
    if (error.isConnectionLost())
        m_lost = true;
    return error;
}

WriteResult RowWriter::removeOn(Attachment &attachment, const RowDelete &row)
{
    if (row.sql.isEmpty()) {
        WriteResult result;
        result.error = QStringLiteral("This table has no key that names a single row, so its "
                                      "rows cannot be deleted here.");
        return result;
    }
    try {
        Transaction tx = attachment.begin(TxMode::Write);
        Statement statement(tx, row.sql);
        const unsigned affected = statement.execute(tx, row.params);
        if (affected != 1) {
            tx.rollback();
            WriteResult result;
            result.error = notOneRowMessage(affected);
            result.stale = affected == 0;
            return result;
        }
        tx.commit();
        return {true, {}, {}};
    } catch (const DbError &error) {
        WriteResult result;
        result.error = error.message();
        result.cause = error;
        return result;
    }
}

bool RowWriter::removeBatch(Attachment &attachment, const std::vector<RowDelete> &rows,
                            const std::atomic<bool> &cancelled, int &done)
{
    done = 0;
    try {
        Transaction tx = attachment.begin(TxMode::Write);
        // The rows of a table mostly share one statement: prepare it once.
        std::map<QString, Statement> statements;
        for (const RowDelete &row : rows) {
            if (cancelled)
                break;
            if (row.sql.isEmpty()) {
                done = 0;
                return false;
            }
            auto it = statements.find(row.sql);
            if (it == statements.end())
                it = statements.emplace(row.sql, Statement(tx, row.sql)).first;
            if (it->second.execute(tx, row.params) != 1) {
                done = 0;
                return false;   // the transaction rolls back as it goes
            }
            ++done;
        }
        statements.clear();
        tx.commit();
        return true;
    } catch (const DbError &) {
        done = 0;
        return false;
    }
}

} // namespace db
